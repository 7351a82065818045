#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "app/window_program.hpp"
#include "core/codec.hpp"
#include "core/program_state.hpp"
#include "support/recording_feedback.hpp"

namespace capcode {
namespace {

// FNV-1a, 64 bits: enough to tell any change of a byte or a value apart.
class Digest {
 public:
  void add(const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
      value_ ^= p[i];
      value_ *= 0x100000001B3ull;
    }
  }
  void add(const std::string& text) {
    add(text.data(), text.size());
    add(std::uint8_t{0});
  }
  template <typename T>
  void add(T number) {
    add(&number, sizeof number);
  }
  std::uint64_t value() const { return value_; }

 private:
  std::uint64_t value_ = 0xCBF29CE484222325ull;
};

// Random bytes from a seed, drawn straight from the engine (its sequence is the same
// everywhere, unlike the library's distributions).
Image randomImage(std::uint32_t seed) {
  std::mt19937 engine(seed);
  Image image{};
  for (std::uint8_t& byte : image)
    byte = static_cast<std::uint8_t>(engine() >> 24);
  return image;
}

void addControls(Digest& digest, const FormModel& form) {
  for (const Control* c : form.controls()) {
    digest.add(c->name);
    digest.add(c->text);
    digest.add(c->index);
    digest.add(c->checked);
    digest.add(c->position);
    digest.add(c->enabled);
    digest.add(c->visible);
  }
}

struct Pinned {
  std::uint8_t revision;
  std::uint64_t controls;  // every control after decoding each image
  std::uint64_t images;    // each decoded image encoded again over itself
};

// Decoding random images and encoding them again, as the codec did when these digests were
// taken: any byte the codec places elsewhere, or any value it reads differently, changes them.
class CodecPinned : public ::testing::TestWithParam<Pinned> {};

TEST_P(CodecPinned, RandomImagesDecodeAndEncodeAsRecorded) {
  const Pinned& pinned = GetParam();
  Digest controls;
  Digest images;
  for (std::uint32_t seed = 1; seed <= 200; ++seed) {
    testing::RecordingFeedback feedback;
    WindowProgram state{feedback};
    state.HardwareRevision = pinned.revision;
    state.ConfigImage = randomImage(seed * 7919u + pinned.revision);
    const bool decoded = state.event([&] { decodeImage(state); });
    controls.add(decoded);
    addControls(controls, state.form);
    for (const std::string& event : feedback.events)
      controls.add(event);
    state.HardwareRevision = pinned.revision;
    const bool encoded = state.event([&] { encodeImage(state); });
    images.add(encoded);
    images.add(state.ConfigImage.data(), state.ConfigImage.size());
  }
  EXPECT_EQ(controls.value(), pinned.controls);
  EXPECT_EQ(images.value(), pinned.images);
}

INSTANTIATE_TEST_SUITE_P(
    Revisions, CodecPinned,
    ::testing::Values(Pinned{kHwA2, 14475533123004101306ull, 12635809095597542763ull},
                      Pinned{kHwA3, 6589984621978990873ull, 11619967884515623243ull},
                      Pinned{kHwB, 3572755067652390172ull, 1281078151496141458ull}));

}  // namespace
}  // namespace capcode
