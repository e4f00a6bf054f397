#include "util/file_types.h"

#include "util/text_search.h"

namespace quarrow::util {

Text file_extension(const Text& name) {
  size_t dot = npos;
  for (size_t i = 0; i < name.size();) {
    unsigned char c = name[i];
    if (c >= 0x80 && i + 1 < name.size()) { i += 2; continue; }
    if (c == '.') dot = i;
    else if (c == '\\' || c == '/' || c == ' ') dot = npos;
    ++i;
  }
  return dot == npos ? Text() : name.substr(dot);
}

int file_type_icon(const Text& name) {
  Text ext;
  if (name.size() >= 3 && name.compare(name.size() - 3, 3, ".ke") == 0) {
    ext = file_extension(name.substr(0, name.size() - 3));
    if (ext.empty()) ext = ".ke";
  } else {
    ext = file_extension(name);
  }
  if (ext.empty()) ext = ".*";
  ext = ascii_lower(ext);

  static const std::pair<const char*, int> groups[] = {
      {".zip.zipx.rar.7z.alz.egg.cab.bh.001.arj.lha.lzh.pma.arc.aes.zpaq.", 1},
      {".tar.gz.tgz.bz.bz2.tbz.tbz2.xz.txz.lzma.tlz.lz.z.", 1},
      {".exe.cmd.bat.", 2},
      {".bmp.jpg.png.tif.gif.pcx.tga.exif.fpx.svg.psd.cdr.pcd.dxf.ufo.eps.ai.raw.wmf.webp.web.jpeg.ico.", 3},
      {".avi.wmv.mpeg.mp4.mov.mkv.flv.f4v.m4v.rmvb.rm.3gp.dat.ts.mts.vob.", 4},
      {".mp3.cd.wave.aiff.mpeg.mpeg-4.midi.wma.vqf.ogg.amr.flac.aac.", 5},
      {".txt.", 6},
      {".ini.log.xml.", 7},
      {".doc.docx.", 8},
      {".ppt.pptx.", 9},
      {".xls.xlsx.", 12},
  };
  Text key = ext + ".";
  for (auto [group, icon] : groups)
    if (find_marker(group, key) != npos) return icon;
  if (ext == ".ec") return 22;
  if (ext == ".e") return 23;
  return 20;
}

}  // namespace quarrow::util
