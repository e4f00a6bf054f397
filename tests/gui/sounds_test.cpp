#include <gtest/gtest.h>

#include <QFile>

#include "ui/sounds.h"

namespace quarrow::testing {
namespace {

// The clips compiled into the program have the forms the program promises.
TEST(Sounds, ClipsHaveTheirForms) {
  struct Case {
    ui::Sound sound;
    int channels, rate, bits;
    uint32_t data_bytes;
  };
  const Case cases[] = {
      {ui::Sound::kListing, 2, 44100, 16, 11296},   {ui::Sound::kCompletion, 1, 22050, 8, 24593},
      {ui::Sound::kDelete, 1, 22050, 16, 22772},    {ui::Sound::kNotify, 1, 8000, 16, 25496},
      {ui::Sound::kUploadDone, 2, 22050, 16, 50000},
  };
  auto u16 = [](const QByteArray& b, int at) { return static_cast<int>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8)); };
  auto u32 = [](const QByteArray& b, int at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ui::sound_resource(c.sound).toStdString());
    QFile file(ui::sound_resource(c.sound));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray wav = file.readAll();
    ASSERT_GE(wav.size(), 44);
    EXPECT_EQ(wav.left(4), "RIFF");
    EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(u16(wav, 20), 1) << "PCM";
    EXPECT_EQ(u16(wav, 22), c.channels);
    EXPECT_EQ(static_cast<int>(u32(wav, 24)), c.rate);
    EXPECT_EQ(u16(wav, 34), c.bits);
    EXPECT_EQ(wav.mid(36, 4), "data");
    EXPECT_EQ(u32(wav, 40), c.data_bytes);
    EXPECT_GE(static_cast<uint32_t>(wav.size()), 44 + c.data_bytes);
    EXPECT_EQ(u32(wav, 4), static_cast<uint32_t>(wav.size()) - 8);
  }
  ui::play_sound(ui::Sound::kListing);  // silent here, and never blocks
}

}  // namespace
}  // namespace quarrow::testing
