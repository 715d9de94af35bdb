#include "system/context.hpp"

namespace qv {
namespace {

thread_local SystemContext* t_current = nullptr;

}  // namespace

SystemContext& current_context() {
  if (t_current) return *t_current;
  thread_local SystemContext own;
  return own;
}

SystemContext* make_current(SystemContext* context) {
  SystemContext* before = t_current;
  t_current = context;
  return before;
}

}  // namespace qv
