// Texts at the Qt edge: the client's Texts are GB18030, Qt speaks UTF-16.
#pragma once

#include <QString>

#include "util/codepage.h"
#include "util/text.h"

namespace quarrow::ui {

inline QString qs(const Text& text) { return QString::fromStdString(util::gbk_to_utf8(text)); }
inline Text tx(const QString& text) { return util::utf8_to_gbk_whole(text.toStdString()); }
// A Text from a UTF-8 literal, as a QString.
inline QString qs(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace quarrow::ui
