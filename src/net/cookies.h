// Cookie texts: name=value pairs joined by "; ". The client keeps no cookie jar;
// every request folds the cookies its answer set into the caller's text.
#pragma once

#include "util/text.h"

namespace quarrow::net {

// The pairs of the "Set-Cookie" lines of a response-header text, in header order.
Text collect_set_cookies(const Text& response_headers);

// The answer's cookies first, then the old ones it did not name; spaces removed,
// "=deleted" pairs dropped, repeats removed. Both arguments receive the result.
Text merge_cookies(Text& old_cookies, Text& new_cookies);

}  // namespace quarrow::net
