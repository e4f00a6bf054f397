#pragma once

#include "util/text.h"

namespace quarrow::net {

// The host in lower case, with its ":port" part only when keep_port is set.
Text url_host(const Text& url, bool keep_port = false);
// The port: the URL's own, else 443 for https and 80 otherwise.
int url_port(const Text& url);
// Path and query, starting with "/".
Text url_path(const Text& url);

}  // namespace quarrow::net
