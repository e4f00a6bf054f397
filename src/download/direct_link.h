// From a share link to the file's direct URL: the share page, then its frame
// page or its password form, then the share site's endpoint, whose answer names
// an address that redirects to the file.
#pragma once

#include "util/text.h"

namespace quarrow::download {

// Returns the direct URL, or "" on failure with `error` set to
// "获取失败：获取二级跳转链接为空！" or "获取失败：获取三级跳转链接为空！\r\n" + the
// service's message (error is left alone when only the last redirect is
// missing). `name` gets the file name from the share page or the endpoint when
// one is found (left as passed otherwise); `size` the size text the page shows.
// `answered` (when given) is false when a request of the walk got no answer at
// all, so a failure may be the network's and not the link's.
Text resolve_direct_link(const Text& link, const Text& password, Text& name, Text& size, Text& error,
                         bool* answered = nullptr);

}  // namespace quarrow::download
