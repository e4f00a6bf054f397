#include "util/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace quarrow {

Text operator""_t(const char* utf8, std::size_t size) {
  return util::utf8_to_gbk_whole(std::string_view(utf8, size));
}

namespace util {
namespace {

// One converter per thread and direction: iconv descriptors keep shift state and
// must not be shared between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  std::string convert(std::string_view in) {
    std::string out;
    if (in.empty()) return out;
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return std::string(in.size(), '?');
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.reserve(in.size() * 3 / 2 + 8);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char buffer[4096];
    while (src_left > 0) {
      char* dst = buffer;
      size_t dst_left = sizeof buffer;
      size_t rc = iconv(cd_, &src, &src_left, &dst, &dst_left);
      out.append(buffer, dst - buffer);
      if (rc != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ (a byte that starts no valid character) or EINVAL (a sequence
      // cut short at the end): one "?" for the byte, then go on after it.
      out.push_back('?');
      ++src;
      --src_left;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    iconv(cd_, nullptr, nullptr, &dst, &dst_left);
    out.append(buffer, dst - buffer);
    return out;
  }

 private:
  iconv_t cd_;
};

Converter& to_gbk() {
  thread_local Converter c("GB18030", "UTF-8");
  return c;
}
Converter& to_utf8() {
  thread_local Converter c("UTF-8", "GB18030");
  return c;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

Text utf8_to_gbk_whole(std::string_view utf8) { return to_gbk().convert(utf8); }

Text utf8_to_gbk(std::string_view utf8) {
  auto nul = utf8.find('\0');
  if (nul != std::string_view::npos) utf8 = utf8.substr(0, nul);
  return utf8_to_gbk_whole(utf8);
}

std::string gbk_to_utf8(std::string_view text) { return to_utf8().convert(text); }

std::u16string gbk_to_utf16(std::string_view text) {
  // The UTF-8 from iconv is well formed, so a plain decoder suffices.
  std::string utf8 = gbk_to_utf8(text);
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    char32_t cp;
    int len;
    if (b < 0x80) { cp = b; len = 1; }
    else if (b >= 0xF0) { cp = b & 0x07; len = 4; }
    else if (b >= 0xE0) { cp = b & 0x0F; len = 3; }
    else { cp = b & 0x1F; len = 2; }
    if (i + len > utf8.size()) break;
    for (int k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

Text utf16_to_gbk(std::u16string_view text) {
  std::string utf8;
  utf8.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = '?';  // a lone surrogate holds no character
    }
    append_utf8(utf8, c);
  }
  return utf8_to_gbk_whole(utf8);
}

}  // namespace util
}  // namespace quarrow
