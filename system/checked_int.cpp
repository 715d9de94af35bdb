#include "system/checked_int.hpp"

namespace qv {

void overflow_error(const char* what) {
  throw RunTimeError(std::string("run-time error 6: overflow in ") + what);
}

void index_error(const char* array, int32_t index, int32_t upper) {
  throw RunTimeError("run-time error 9: subscript out of range: " + std::string(array) + "(" +
                     std::to_string(index) + ") outside 0 to " + std::to_string(upper));
}

}  // namespace qv
