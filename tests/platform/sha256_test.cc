#include "platform/sha256.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "support/folder_files.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

// The example messages of FIPS 180-4 (NIST's SHA-256 examples) and the empty message.
TEST(Sha256Test, NistExampleMessages) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the padding needs a second block.
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
                      "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu"),
            "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
}

// One million "a": fed in pieces that straddle the 64-byte blocks in every way, and as a file.
TEST(Sha256Test, AMillionAsInPiecesAndFromAFile) {
  const std::string million(1'000'000, 'a');
  const std::string expected = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";
  EXPECT_EQ(Sha256Hex(million), expected);
  Sha256 pieces;
  size_t at = 0;
  for (size_t piece = 1; at < million.size(); piece = piece % 130 + 1) {
    const size_t taken = std::min(piece, million.size() - at);
    pieces.Update(std::string_view(million).substr(at, taken));
    at += taken;
  }
  EXPECT_EQ(pieces.HexDigest(), expected);

  testing::TempDir dir;
  testing::WriteFileBytes(dir / "a.bin", million);
  EXPECT_EQ(Sha256OfFile(dir / "a.bin"), expected);
  EXPECT_THROW(Sha256OfFile(dir / "missing"), Error);
}

}  // namespace
}  // namespace zuvo
