#include "shell/login_state.h"

#include <mutex>

namespace quarrow::shell {
namespace {

// Written on the UI thread, read by the workers, which take copies.
std::mutex g_mutex;
Text g_account;
Text g_cookie;

}  // namespace

Text account_name() {
  std::lock_guard lock(g_mutex);
  return g_account;
}

void set_account_name(const Text& account) {
  std::lock_guard lock(g_mutex);
  g_account = account;
}

Text cookie_text() {
  std::lock_guard lock(g_mutex);
  return g_cookie;
}

void set_cookie_text(const Text& cookie) {
  std::lock_guard lock(g_mutex);
  g_cookie = cookie;
}

}  // namespace quarrow::shell
