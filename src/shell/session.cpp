#include "shell/session.h"

#include "net/endpoints.h"
#include "net/web_request.h"
#include "shell/config_store.h"
#include "shell/login_state.h"
#include "shell/scramble.h"
#include "util/codepage.h"
#include "util/text_codec.h"
#include "util/text_search.h"

namespace quarrow::shell {

CookieCheck check_cookie(Text& cookie) {
  Text headers = net::kDiskHostHeader;
  int status = 0;
  net::WebRequestOptions options;
  options.cookie = &cookie;
  options.headers = &headers;
  options.status = &status;
  Text page = util::utf8_to_gbk(net::web_request(net::disk_host() + "/mydisk.php", options));
  set_cookie_text(cookie);

  CookieCheck check{{}, {}, status != 0};
  if (util::contains(page, "退出"_t)) {
    check.account = util::text_between(page, "account.php?action=logout&", "\"");
    check.message = "登录成功，欢迎回来："_t + check.account;
  } else {
    check.message = "登录失败，cookie过期。"_t;
  }
  return check;
}

bool check_succeeded(const CookieCheck& check) { return util::contains(check.message, "登录成功"_t); }

LoginResult log_in(const Text& account, const Text& password) {
  // Typed values are percent-encoded, so "&", "=", "+" and "%" reach the service as typed.
  Text body = "action=login&task=login&ref=%2Fmydisk.php&formhash=3e9b7c42&username=" + util::url_encode(account) +
              "&password=" + util::url_encode(password);
  Text headers = net::kDiskHostHeader;
  Text cookies;
  int status = 0;
  net::WebRequestOptions options;
  options.method = 1;
  options.body = body;
  options.cookies_out = &cookies;
  options.headers = &headers;
  options.status = &status;
  Text page = util::utf8_to_gbk(net::web_request(net::disk_host() + "/account.php", options));
  set_cookie_text(cookies);

  LoginResult result{{}, cookies};
  if (status == 0) result.message = "无法连接服务器，请检查网络后重试。"_t;
  else if (util::contains(page, "登录成功，欢迎您回来。"_t)) result.message = "登录成功，欢迎您回来："_t + account;
  else if (util::contains(page, "该用户名未注册。"_t)) result.message = "该用户名未注册。"_t;
  else if (util::contains(page, "用户密码不正确，长度请在6-20位之间。"_t))
    result.message = "用户密码不正确，长度请在6-20位之间。"_t;
  else result.message = "用户名或密码错误。"_t;
  return result;
}

bool login_succeeded(const LoginResult& result) { return util::contains(result.message, "登录成功"_t); }

void remember_login(const Text& account, const Text& password, const Text& cookies, bool remember) {
  const Text section = "配置"_t;
  config_write(section, "记住密码"_t, remember ? "真"_t : "假"_t);
  config_write(section, "账号"_t, account);
  if (remember) {
    config_write(section, "密码"_t, scramble_text(password));
    config_write(section, "ck", scramble_text(cookies));
  } else {
    config_write(section, "密码"_t, "");
    config_remove(section, "ck");
  }
  set_account_name(account);
}

void log_out() {
  net::web_request(net::disk_host() + "/account.php?action=logout&" + account_name());
  config_write("配置"_t, "ck", "");
}

}  // namespace quarrow::shell
