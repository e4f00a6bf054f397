// The process-wide log-in state: the account shown and the cookie text every
// disk-host request sends a copy of.
#pragma once

#include "util/text.h"

namespace quarrow::shell {

Text account_name();
void set_account_name(const Text& account);
Text cookie_text();
void set_cookie_text(const Text& cookie);

}  // namespace quarrow::shell
