// The upload request: one local file into one folder of the disk, as the
// multipart form the service's upload page posts, and the naming, type and date
// rules that go with it.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "util/text.h"

namespace quarrow::upload {

// Names the service would refuse travel with ".ke" added (".*.ke" when there
// is no extension at all); the download side takes it off again.
Text upload_name(const Text& name);
// The MIME type of the form's "type" field and of the file part's
// Content-Type; "" when the extension is not one the service accepts.
Text field_mime_type(const Text& name);
Text part_mime_type(const Text& name);

struct DateTime {
  int year = 1970, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
};

// "Sun Mar 01 2020 14:05:09 GMT+0800 (中国标准时间)", whatever the local zone.
Text js_date_text(const DateTime& time);
Text two_digits(int n);

// Local times of a file as "yyyy-MM-dd HH:mm:ss"; the access time loses its
// time part at exactly midnight ("yyyy-MM-dd ").
struct FileTimes {
  Text created, accessed, written;
};
bool file_times(const Text& path, FileTimes& times);
// A text of the form above read back; nothing when it does not fit.
std::optional<DateTime> parse_date_time(const Text& text);

// Sends the file to the folder ("-1" the root) with the cookie (cookie_text
// when ""); returns the service's answer, "" when nothing came back or the
// flag ended the request. The file is read once, as it is sent, and never past
// the size announced in the form: a file that shrinks meanwhile fails the
// request rather than sending a wrong size.
Text upload_file(const Text& path, const Text& folder_id, const Text& cookie = {},
                 const std::atomic<bool>* cancel = nullptr);

}  // namespace quarrow::upload
