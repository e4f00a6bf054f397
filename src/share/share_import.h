// Share texts pasted by the user, turned into candidate files: single-file share
// links (with an optional password), folder share links, and bare direct URLs.
// NewTaskWindow and quarrow-cli import parse the same way through this.
#pragma once

#include <functional>
#include <vector>

#include "util/text.h"

namespace quarrow::share {

// One candidate file, as a row of NewTaskWindow's list.
struct FoundFile {
  Text name;
  Text type;      // file_extension of name
  Text size;      // the page's or listing's size text; "未知" for a direct URL
  Text link;      // share page URL; "" for a direct URL
  Text password;  // "" for folder entries and direct URLs
  Text direct;    // direct URL found while parsing, or the pasted URL itself
};

enum class LineKind { single_file, folder, direct };

// The pasted text as lines: line breaks of any form become CR LF, a line
// starting with a full-width colon is joined to the line above with ":" in its
// place, a line starting with "密码:" is joined to the line above, then the
// text is split at CR LF. "密码：" with a full-width colon is no marker and is
// left as it is. Empty lines are kept (the parse skips them).
std::vector<Text> share_lines(const Text& pasted);

// The link is the text before the first "密码:" (the whole line when there is
// none or the line starts with it); the password the text after the last one.
// Nothing is trimmed.
struct LinkAndPassword {
  Text link;
  Text password;
};
LinkAndPassword split_password(const Text& line);

// The share host's domain without its sub-domain ("quarrow.com" for
// https://share.quarrow.com), with the port when the URL names one. An IP
// address or a one-label host such as localhost is the whole domain.
Text share_domain(const Text& share_host_url);

// Decided by the domain followed by "/i" or "/b", ASCII letters without case.
LineKind line_kind(const Text& line, const Text& domain);

// A folder entry's share page: the share host over plain HTTP + "/" + id.
Text folder_entry_link(const Text& share_host_url, const Text& id);

// The folder share page's first listing page, as a Text: the page is fetched,
// then its listing endpoint (the share host + the path the page names) is
// asked with the page's values and the password.
Text list_share_folder(const Text& link, const Text& password);

// The name in the "filename=\"…\"" part of the answer headers of a GET of the
// URL, read without the body; "" when there is none, nothing answered, or the
// URL is not an http or https address.
Text header_file_name(const Text& url);

// The last piece of the URL split at "/": an empty piece after the last "/"
// does not count, so "…/dir/" gives "dir"; "" when there is none.
Text last_path_segment(const Text& url);

// The current time in milliseconds as text, at least 13 digits, counted from
// the local time 1970-01-01 08:00:00.
Text timestamp_text();
// The same form for given whole seconds and milliseconds (0 to 999).
Text timestamp_text_at(long long seconds, int milliseconds);

// The name of a direct URL's file: the header's, else the URL's last path
// piece before "?", else the last path segment, else "未知文件" + timestamp.
Text direct_url_name(const Text& url);

// Parses every line of the pasted text in order and reports each found file as
// it is found. Blocking: it makes the requests of every line, one after another.
void parse_share_text(const Text& pasted, bool smart_ke, const std::function<void(const FoundFile&)>& found);
std::vector<FoundFile> parse_share_text(const Text& pasted, bool smart_ke);

}  // namespace quarrow::share
