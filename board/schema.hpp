// The board's tables, made and brought up to date when an instance starts: in one transaction
// under an advisory lock, so that instances starting together wait for each other and each
// migration runs once. `board_schema` holds the version reached.
#pragma once

#include "board/database.hpp"

namespace qv::board {

// The version this build's tables are at.
int schema_version();
// Brings the database to schema_version(); throws when it is newer than this build knows.
void migrate(Connection& db);

}  // namespace qv::board
