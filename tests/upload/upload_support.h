// Helpers of the upload tests: files with a given local modification time, the
// form body as the service's upload page lays it out, and the upload requests
// of the emulator's log.
#pragma once

#include <sys/stat.h>
#include <fcntl.h>

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "server_fixture.h"
#include "temp_dir.h"
#include "util/codepage.h"

namespace quarrow::testing {

struct LocalTime {
  int year, month, day, hour, minute, second;
};

inline time_t to_time_t(const LocalTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

// Sets the last-access and last-write times, given as local clock times.
inline void set_file_times(const std::filesystem::path& path, const LocalTime& accessed, const LocalTime& written) {
  struct timespec times[2] = {{to_time_t(accessed), 0}, {to_time_t(written), 0}};
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// The multipart body, part by part, in the bytes the service expects: the name
// in UTF-8, the date in GB18030.
inline std::string expected_form(const std::string& folder_id, const std::string& name_utf8,
                                 const std::string& field_type, const std::string& part_type,
                                 const std::string& date_utf8, const std::string& content) {
  const std::string delimiter = "------WebKitFormBoundaryeGCDJwoQEiqYHenN\r\n";
  auto field = [&](const std::string& name, const std::string& value) {
    return delimiter + "Content-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
  };
  return field("task", "1") + field("folder_id", folder_id) + field("id", "WU_FILE_1") + field("name", name_utf8) +
         field("type", field_type) + field("lastModifiedDate", util::utf8_to_gbk_whole(date_utf8)) +
         field("size", std::to_string(content.size())) + delimiter +
         "Content-Disposition: form-data; name=\"upload_file\"; filename=\"" + name_utf8 + "\"\r\n" +
         "Content-Type: " + part_type + "\r\n\r\n" + content + "\r\n------WebKitFormBoundaryeGCDJwoQEiqYHenN--";
}

inline std::vector<test::LoggedRequest> upload_requests(test::Emulator& server) {
  std::vector<test::LoggedRequest> uploads;
  for (auto& r : server.request_log(test::Host::disk))
    if (r.target == "/fileup.php") uploads.push_back(std::move(r));
  return uploads;
}

// The value of a form field in a logged multipart body.
inline std::string form_field(const std::string& body, const std::string& name) {
  const std::string marker = "name=\"" + name + "\"\r\n\r\n";
  size_t start = body.find(marker);
  if (start == std::string::npos) return "<missing>";
  start += marker.size();
  return body.substr(start, body.find("\r\n", start) - start);
}

// The account's last stored file of that name.
inline std::optional<test::FileInfo> find_file(test::Emulator& server, const std::string& owner,
                                               const std::string& name) {
  std::optional<test::FileInfo> found;
  for (auto& f : server.files())
    if (f.owner == owner && f.name == name && !f.deleted) found = std::move(f);
  return found;
}

}  // namespace quarrow::testing
