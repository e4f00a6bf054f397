// The two service sites and the request header every disk-host request carries.
#pragma once

#include "util/text.h"

namespace quarrow::net {

// Base URLs without a trailing slash. Compiled in; QUARROW_DISK_HOST and
// QUARROW_SHARE_HOST override them (the emulator, mirrors).
Text disk_host();
Text share_host();
void set_endpoints(const Text& disk, const Text& share);

// The one extra header line of every disk-host request and share-page request.
inline constexpr char kDiskHostHeader[] =
    "User-Agent: Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/69.0.3497.100 Safari/537.36";

}  // namespace quarrow::net
