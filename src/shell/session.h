// Log-in, log-out and the check of a saved cookie against the disk host.
#pragma once

#include "util/text.h"

namespace quarrow::shell {

struct CookieCheck {
  Text message;   // contains "登录成功" when the service accepts the cookie
  Text account;   // the account the disk page names (meaningful on success)
  bool answered;  // false when no answer came at all (offline, service down)
};

// One request to the disk page with the cookie, which receives the answer's
// cookies; sets cookie_text.
CookieCheck check_cookie(Text& cookie);
bool check_succeeded(const CookieCheck& check);

struct LoginResult {
  Text message;  // contains "登录成功" on success
  Text cookies;  // the cookies the answer set, also on failure
};

// Posts the log-in form; sets cookie_text to the cookies the answer set.
LoginResult log_in(const Text& account, const Text& password);
bool login_succeeded(const LoginResult& result);

// What a successful log-in stores: the account, the remember choice, and with it
// the scrambled password and cookie. Also sets account_name.
void remember_login(const Text& account, const Text& password, const Text& cookies, bool remember);

// Sends the log-out request and clears the saved cookie.
void log_out();

}  // namespace quarrow::shell
