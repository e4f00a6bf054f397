// Writes the program's sound clips: short PCM WAV files of fixed forms
// (channels, sample rate, bits, data bytes), synthesised from a few tones.
// Usage: wavgen OUTPUT_DIR
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Clip {
  const char* name;
  int channels;
  int rate;
  int bits;
  uint32_t data_bytes;
  std::vector<double> tones;  // Hz, played one after another
  double decay;               // per second
};

void put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
void put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string make_wav(const Clip& c) {
  const int block = c.channels * c.bits / 8;
  std::string data;
  data.reserve(c.data_bytes);
  const uint32_t frames = c.data_bytes / block;
  const double seconds = static_cast<double>(frames) / c.rate;
  for (uint32_t f = 0; f < frames; ++f) {
    double t = static_cast<double>(f) / c.rate;
    size_t part = std::min(c.tones.size() - 1, static_cast<size_t>(t / seconds * c.tones.size()));
    double part_start = seconds * part / c.tones.size();
    double env = std::exp(-c.decay * (t - part_start)) * std::min(1.0, (seconds - t) * 200.0);
    double v = 0.45 * env * std::sin(2 * M_PI * c.tones[part] * t);
    for (int ch = 0; ch < c.channels; ++ch) {
      if (c.bits == 8) data += static_cast<char>(static_cast<uint8_t>(128 + std::lround(v * 127)));
      else put16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767))));
    }
  }
  data.resize(c.data_bytes, c.bits == 8 ? static_cast<char>(128) : '\0');  // odd sizes end in silence

  std::string out = "RIFF";
  put32(out, 36 + c.data_bytes + (c.data_bytes & 1));
  out += "WAVEfmt ";
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, static_cast<uint16_t>(c.channels));
  put32(out, static_cast<uint32_t>(c.rate));
  put32(out, static_cast<uint32_t>(c.rate * block));
  put16(out, static_cast<uint16_t>(block));
  put16(out, static_cast<uint16_t>(c.bits));
  out += "data";
  put32(out, c.data_bytes);
  out += data;
  if (c.data_bytes & 1) out += '\0';  // RIFF chunks are padded to even sizes
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wavgen OUTPUT_DIR\n");
    return 2;
  }
  const Clip clips[] = {
      {"click.wav", 2, 44100, 16, 11296, {2400}, 60},
      {"completion.wav", 1, 22050, 8, 24593, {660, 880, 1320}, 3},
      {"delete.wav", 1, 22050, 16, 22772, {520, 330}, 6},
      {"notify.wav", 1, 8000, 16, 25496, {880, 1175}, 2},
      {"upload_done.wav", 2, 22050, 16, 50000, {740, 990}, 5},
  };
  for (const auto& clip : clips) {
    std::ofstream(std::string(argv[1]) + "/" + clip.name, std::ios::binary) << make_wav(clip);
  }
  return 0;
}
