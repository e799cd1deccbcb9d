// The sync editor's wire format and the player's end of the connection. The decoder alone: the
// editor's messages whole and byte by byte, and what is not the protocol refused for good. The
// client against a fake editor on the loopback interface: the handshake, messages both ways, no
// editor (said once, tried again), a lost editor, and peers that are not editors or misbehave,
// each dropped with its report.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/sync_client.h"
#include "app/sync_protocol.h"
#include "base/report.h"
#include "tests/app/sync_fake_editor.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts)
    out.insert(out.end(), part.begin(), part.end());
  return out;
}
Bytes withGreeting(const Bytes& message) {
  return join({EditorMessage::greeting(), message});
}

// Feeds `bytes` one at a time (or all at once) and collects the messages; the status that ended
// it in `last`.
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

std::string dropped(const std::string& reason) {
  return "sync editor connection dropped: " + reason +
         "; the show plays on with the edited values, trying again every 3 s";
}

}  // namespace

TEST(SyncProtocol, EveryEditorMessageDecodesWholeOrByteByByte) {
  // 1.5f is 0x3FC00000; -2.25f is 0xC0100000.
  const Bytes stream = withGreeting(
      join({Bytes{0, 0, 0, 0, 7, 0, 0, 1, 0, 0x3F, 0xC0, 0, 0, 2}, Bytes{1, 0, 0, 0, 2, 0, 0, 0, 9},
            Bytes{3, 0x7F, 0xFF, 0xFF, 0xFF}, Bytes{4, 1}, Bytes{4, 0}, Bytes{5},
            Bytes{0, 0, 0, 0, 1, 0, 0, 0, 0, 0xC0, 0x10, 0, 0, 3}}));
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
  const struct {
    Bytes bytes;
    const char* error;
  } cases[] = {
      {{'H', 'T', 'T', 'P', '/', '1', '.', '1', ' ', '2', '0', '0'},
       "not a sync editor: it greeted with 'HTTP/1.1 200'"},
      {{'h', 'e', 'l', 'l', 'o', ',', ' ', 'w', 0x01},
       "not a sync editor: it greeted with 'hello, w?'"},
      {withGreeting({2, 0, 0, 0, 1, 'x'}), "unknown command 2 from the sync editor"},
      {withGreeting({3, 0x80, 0, 0, 0}), "row 2147483648 is past the last row 2147483647"},
      {withGreeting(EditorMessage::setKeyBits(1, 5, 0x7FC00000u, 1)),
       "the value of the key at row 5 of track 1 is not a finite number"},
      {withGreeting(EditorMessage::setKey(0, 3, 1.0f, 4)),
       "unknown interpolation 4 of the key at row 3"},
  };
  for (const auto& c : cases) {
    for (const bool byteByByte : {false, true}) {
      SCOPED_TRACE(std::string(c.error) + (byteByByte ? " byte by byte" : ""));
      SyncDecoder decoder;
      SyncDecoder::Status last{};
      EXPECT_TRUE(decode(c.bytes, byteByByte, decoder, last).empty());
      EXPECT_EQ(last, SyncDecoder::Status::kError);
      // Only the first byte of a wrong greeting is looked at when it comes alone.
      if (!byteByByte) {
        EXPECT_EQ(decoder.getError(), c.error);
      }
      // Good bytes afterwards do not revive it.
      decoder.append(EditorMessage::saveTracks());
      SyncMessage message;
      EXPECT_EQ(decoder.next(message), SyncDecoder::Status::kError);
    }
  }
}

namespace {

class SyncClientTest : public ::testing::Test {
 protected:
  // A client of the fake editor; the retry and greeting delays are the player's (3 s).
  SyncClient& connectTo(std::uint16_t port, SyncClientLimits limits = {}) {
    m_pClient = std::make_unique<SyncClient>(SyncAddress{"127.0.0.1", port}, limits);
    return *m_pClient;
  }
  // One frame of the client at the test's clock.
  void step() {
    std::vector<SyncMessage> messages;
    m_pClient->poll(m_now, messages);
    m_received.insert(m_received.end(), messages.begin(), messages.end());
  }
  FakeEditor::Step stepper() {
    return [this] { step(); };
  }
  // Steps (bounded) until `done`.
  bool stepUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 2000 && !done(); ++i)
      step();
    return done();
  }
  bool connected() {
    return m_editor.handshake(stepper()) && stepUntil([this] { return m_pClient->isConnected(); });
  }
  bool disconnected() {
    return stepUntil([this] { return m_pClient->getState() == SyncClient::State::kDisconnected; });
  }

  ReportCapture m_capture;
  FakeEditor m_editor;
  std::unique_ptr<SyncClient> m_pClient;
  std::uint32_t m_now = 1000;
  std::vector<SyncMessage> m_received;
};

}  // namespace

TEST_F(SyncClientTest, TheHandshakeThenMessagesBothWays) {
  connectTo(m_editor.port());
  EXPECT_EQ(m_pClient->getState(), SyncClient::State::kDisconnected);
  ASSERT_TRUE(connected());
  EXPECT_EQ(m_pClient->getConnectionCount(), 1u);
  EXPECT_THAT(m_capture.lines(),
              ElementsAre("SyncClient:|connected to the sync editor at 127.0.0.1:" +
                          std::to_string(m_editor.port())));
  m_pClient->sendGetTrack("fade");
  m_pClient->sendSetRow(70000);
  EXPECT_EQ(m_editor.receive(14, stepper()),
            (Bytes{2, 0, 0, 0, 4, 'f', 'a', 'd', 'e', 3, 0, 1, 0x11, 0x70}));
  // Everything the editor sends, in one write, comes out in order.
  ASSERT_TRUE(m_editor.send(
      join({EditorMessage::setKey(0, 16, 0.25f, 3), EditorMessage::deleteKey(0, 8),
            EditorMessage::setRow(32), EditorMessage::pause(1), EditorMessage::saveTracks()})));
  ASSERT_TRUE(stepUntil([this] { return m_received.size() >= 5; }));
  std::vector<SyncCommand> commands;
  for (const SyncMessage& message : m_received)
    commands.push_back(message.command);
  EXPECT_THAT(commands,
              ElementsAre(SyncCommand::SetKey, SyncCommand::DeleteKey, SyncCommand::SetRow,
                          SyncCommand::Pause, SyncCommand::SaveTracks));
}

TEST_F(SyncClientTest, WithoutAnEditorItSaysSoOnceAndTriesAgainEveryThreeSeconds) {
  const std::uint16_t port = m_editor.port();
  m_editor.stopListening();
  connectTo(port);
  for (int i = 0; i < 5; ++i, m_now += 1000)
    step();
  EXPECT_EQ(m_pClient->getState(), SyncClient::State::kDisconnected);
  EXPECT_THAT(m_capture.texts(),
              ElementsAre("no sync editor at 127.0.0.1:" + std::to_string(port) +
                          " (Connection refused); the show plays on, trying again every 3 s"));
  m_pClient->sendSetRow(3);  // nothing is sent while not connected
  EXPECT_EQ(m_pClient->getConnectionCount(), 0u);
}

TEST_F(SyncClientTest, AnEditorThatGoesAwayIsTriedAgainAfterThreeSeconds) {
  connectTo(m_editor.port());
  ASSERT_TRUE(connected());
  m_editor.closeConnection();
  ASSERT_TRUE(disconnected());
  EXPECT_EQ(m_capture.texts().back(), dropped("the editor closed the connection"));
  // No new attempt before 3 s have passed; then a new connection, counted.
  m_now += 2999;
  step();
  EXPECT_EQ(m_pClient->getState(), SyncClient::State::kDisconnected);
  m_now += 1;
  ASSERT_TRUE(connected());
  EXPECT_EQ(m_pClient->getConnectionCount(), 2u);
}

// The decoder's own refusals are all in the table above; here one of them and the ones only the
// connection sees.
TEST_F(SyncClientTest, PeersThatAreNotEditorsOrMisbehaveAreDroppedWithTheirReason) {
  // Not an editor: its greeting is refused.
  connectTo(m_editor.port());
  ASSERT_TRUE(m_editor.accept(stepper()));
  ASSERT_TRUE(m_editor.receive(19, stepper()));
  ASSERT_TRUE(m_editor.send({'S', 'S', 'H', '-', '2', '.', '0', '-', 'x', 'y', 'z', '!'}));
  EXPECT_TRUE(disconnected());
  EXPECT_EQ(m_capture.texts().back(), dropped("not a sync editor: it greeted with 'SSH-2.0-xyz!'"));
  // An editor that closes in the middle of a message: the whole message before it is kept.
  m_editor.closeConnection();
  connectTo(m_editor.port());
  ASSERT_TRUE(connected());
  ASSERT_TRUE(m_editor.send(join({EditorMessage::pause(1), Bytes{0, 0, 0, 0, 0, 0, 0}})));
  m_editor.closeConnection();
  EXPECT_TRUE(disconnected());
  EXPECT_EQ(m_received.size(), 1u);
  EXPECT_EQ(m_capture.texts().back(),
            dropped("the editor closed the connection in the middle of a message"));
}

TEST_F(SyncClientTest, APeerThatSendsForeverIsDroppedAndNoFrameReadsMoreThanItsShare) {
  SyncClientLimits limits;
  limits.readBytesPerPoll = 4096;
  limits.busyPollsToDrop = 8;
  connectTo(m_editor.port(), limits);
  ASSERT_TRUE(connected());
  // SET_ROW after SET_ROW, as fast as the socket takes them.
  Bytes flood;
  for (int i = 0; i < 4096; ++i) {
    const Bytes row = EditorMessage::setRow(static_cast<std::uint32_t>(i));
    flood.insert(flood.end(), row.begin(), row.end());
  }
  int nbStep = 0;
  std::size_t mostPerStep = 0;
  for (; nbStep < 100 && m_pClient->isConnected(); ++nbStep) {
    while (m_editor.sendSome(flood) > 0) {
    }
    const std::size_t before = m_received.size();
    step();
    mostPerStep = std::max(mostPerStep, m_received.size() - before);
  }
  EXPECT_FALSE(m_pClient->isConnected());
  EXPECT_EQ(nbStep, 8);
  EXPECT_LE(mostPerStep, 820u) << "4096 bytes a frame are at most 819 whole SET_ROWs";
  EXPECT_THAT(m_capture.texts().back(),
              HasSubstr("dropped: the editor sends without a break (more than 32768 bytes)"));
}

TEST_F(SyncClientTest, APeerThatAcceptsButNeverGreetsIsDroppedAfterThreeSeconds) {
  connectTo(m_editor.port());
  ASSERT_TRUE(m_editor.accept(stepper()));
  ASSERT_TRUE(m_editor.receive(19, stepper()));
  step();
  EXPECT_EQ(m_pClient->getState(), SyncClient::State::kGreeting);
  m_now += 3000;
  step();
  EXPECT_EQ(m_pClient->getState(), SyncClient::State::kDisconnected);
  EXPECT_THAT(m_capture.texts().back(), HasSubstr("dropped: no greeting from 127.0.0.1:"));
}
