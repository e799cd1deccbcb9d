// The sync editor's wire format without a network: the player's messages byte for byte, the
// editor's decoded whole and in pieces, and everything that is not the protocol refused.

#include "app/sync_protocol.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/app/sync_fake_editor.h"

namespace {

Bytes withGreeting(const Bytes& message) {
  Bytes out = EditorMessage::greeting();
  out.insert(out.end(), message.begin(), message.end());
  return out;
}

// Feeds `bytes` one at a time (or all at once) and collects the messages; the status that
// ended it in `last`.
std::vector<SyncMessage> decode(const Bytes& bytes, bool byteByByte, SyncDecoder& decoder,
                                SyncDecoder::Status& last) {
  std::vector<SyncMessage> out;
  const std::size_t step = byteByByte ? 1 : bytes.size();
  last = SyncDecoder::Status::kNeedMore;
  for (std::size_t at = 0; at < bytes.size() && last != SyncDecoder::Status::kError; at += step) {
    decoder.append({bytes.data() + at, std::min(step, bytes.size() - at)});
    SyncMessage message;
    while ((last = decoder.next(message)) == SyncDecoder::Status::kMessage)
      out.push_back(message);
  }
  return out;
}

}  // namespace

TEST(SyncProtocol, ThePlayersMessagesAreTheCommandAndBigEndianFields) {
  std::vector<std::uint8_t> out;
  SyncProtocol::appendGetTrack(out, "fade");
  SyncProtocol::appendSetRow(out, 0x01020304u);
  EXPECT_EQ(out, (Bytes{2, 0, 0, 0, 4, 'f', 'a', 'd', 'e', 3, 1, 2, 3, 4}));
  EXPECT_EQ(SyncProtocol::kClientGreeting.size(), 19u);
}

TEST(SyncProtocol, EveryEditorMessageDecodesWholeOrByteByByte) {
  // 1.5f is 0x3FC00000; -2.25f is 0xC0100000.
  const Bytes stream = withGreeting([] {
    Bytes all;
    for (const Bytes& message :
         {Bytes{0, 0, 0, 0, 7, 0, 0, 1, 0, 0x3F, 0xC0, 0, 0, 2}, Bytes{1, 0, 0, 0, 2, 0, 0, 0, 9},
          Bytes{3, 0x7F, 0xFF, 0xFF, 0xFF}, Bytes{4, 1}, Bytes{4, 0}, Bytes{5},
          Bytes{0, 0, 0, 0, 1, 0, 0, 0, 0, 0xC0, 0x10, 0, 0, 3}})
      all.insert(all.end(), message.begin(), message.end());
    return all;
  }());
  for (const bool byteByByte : {false, true}) {
    SCOPED_TRACE(byteByByte ? "byte by byte" : "at once");
    SyncDecoder decoder;
    SyncDecoder::Status last{};
    const std::vector<SyncMessage> messages = decode(stream, byteByByte, decoder, last);
    EXPECT_EQ(last, SyncDecoder::Status::kNeedMore);
    EXPECT_TRUE(decoder.isGreeted());
    ASSERT_EQ(messages.size(), 7u);
    EXPECT_EQ(messages[0].command, SyncCommand::SetKey);
    EXPECT_EQ(messages[0].track, 7u);
    EXPECT_EQ(messages[0].row, 256u);
    EXPECT_EQ(messages[0].value, 1.5f);
    EXPECT_EQ(messages[0].interpolation, 2);
    EXPECT_EQ(messages[1].command, SyncCommand::DeleteKey);
    EXPECT_EQ(messages[1].track, 2u);
    EXPECT_EQ(messages[1].row, 9u);
    EXPECT_EQ(messages[2].command, SyncCommand::SetRow);
    EXPECT_EQ(messages[2].row, 0x7FFFFFFFu);
    EXPECT_EQ(messages[3].command, SyncCommand::Pause);
    EXPECT_TRUE(messages[3].paused);
    EXPECT_FALSE(messages[4].paused);
    EXPECT_EQ(messages[5].command, SyncCommand::SaveTracks);
    EXPECT_EQ(messages[6].value, -2.25f);
    EXPECT_EQ(messages[6].interpolation, 3);
    EXPECT_EQ(decoder.getPending(), 0u);
  }
}

TEST(SyncProtocol, WhatIsNotTheProtocolIsAnErrorThatStays) {
  struct Case {
    const char* what;
    Bytes bytes;
    const char* error;
  };
  const Case cases[] = {
      {"wrong greeting",
       {'H', 'T', 'T', 'P', '/', '1', '.', '1', ' ', '2', '0', '0'},
       "not a sync editor: it greeted with 'HTTP/1.1 200'"},
      {"greeting of another program",
       {'h', 'e', 'l', 'l', 'o', ',', ' ', 'w', 0x01},
       "not a sync editor: it greeted with 'hello, w?'"},
      {"unknown command", withGreeting({9, 0, 0}), "unknown command 9 from the sync editor"},
      {"GET_TRACK from the editor", withGreeting({2, 0, 0, 0, 1, 'x'}),
       "unknown command 2 from the sync editor"},
      {"row 2^31 in SET_ROW", withGreeting({3, 0x80, 0, 0, 0}),
       "row 2147483648 is past the last row 2147483647"},
      {"row 2^32 - 1 in DELETE_KEY", withGreeting({1, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}),
       "row 4294967295 is past the last row 2147483647"},
      {"row 2^31 in SET_KEY", withGreeting(EditorMessage::setKey(0, 0x80000000u, 1.0f, 0)),
       "row 2147483648 is past the last row 2147483647"},
      {"NaN value", withGreeting(EditorMessage::setKeyBits(1, 5, 0x7FC00000u, 1)),
       "the value of the key at row 5 of track 1 is not a finite number"},
      {"infinite value", withGreeting(EditorMessage::setKeyBits(0, 3, 0xFF800000u, 1)),
       "the value of the key at row 3 of track 0 is not a finite number"},
      {"interpolation 4", withGreeting(EditorMessage::setKey(0, 3, 1.0f, 4)),
       "unknown interpolation 4 of the key at row 3"},
  };
  for (const Case& c : cases) {
    for (const bool byteByByte : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (byteByByte ? " byte by byte" : ""));
      SyncDecoder decoder;
      SyncDecoder::Status last{};
      // Only the first byte of a wrong greeting is looked at when it comes alone.
      const std::vector<SyncMessage> messages = decode(c.bytes, byteByByte, decoder, last);
      EXPECT_TRUE(messages.empty());
      EXPECT_EQ(last, SyncDecoder::Status::kError);
      if (!byteByByte) {
        EXPECT_EQ(decoder.getError(), c.error);
      }
      // Good bytes afterwards do not revive it.
      const Bytes good = EditorMessage::saveTracks();
      decoder.append(good);
      SyncMessage message;
      EXPECT_EQ(decoder.next(message), SyncDecoder::Status::kError);
    }
  }
}

TEST(SyncProtocol, AMessageCutShortWaitsForItsRest) {
  const Bytes key = EditorMessage::setKey(0, 12, 0.5f, 1);
  for (std::size_t cut = 0; cut < key.size(); ++cut) {
    SyncDecoder decoder;
    const Bytes head = withGreeting(Bytes(key.begin(), key.begin() + static_cast<long>(cut)));
    decoder.append(head);
    SyncMessage message;
    EXPECT_EQ(decoder.next(message), SyncDecoder::Status::kNeedMore) << cut;
    EXPECT_EQ(decoder.getPending(), cut);
    decoder.append({key.data() + cut, key.size() - cut});
    ASSERT_EQ(decoder.next(message), SyncDecoder::Status::kMessage) << cut;
    EXPECT_EQ(message.row, 12u);
    EXPECT_EQ(message.value, 0.5f);
  }
}
