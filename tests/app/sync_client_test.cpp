// The player's end of the connection against a fake editor on the loopback interface: the
// handshake, messages both ways, no editor (said once, tried again), a lost editor, and the
// peers that are not editors or misbehave: each dropped with its report, the client ready to
// try again.

#include "app/sync_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/report.h"
#include "tests/app/sync_fake_editor.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

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
  // Steps until the client holds `count` messages (bounded).
  bool stepUntilReceived(std::size_t count) {
    for (int i = 0; i < 2000 && m_received.size() < count; ++i)
      step();
    return m_received.size() >= count;
  }
  bool connected() {
    if (!m_editor.handshake(stepper())) return false;
    for (int i = 0; i < 2000 && !m_pClient->isConnected(); ++i)
      step();
    return m_pClient->isConnected();
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

  // Everything the editor sends, in one write.
  Bytes all;
  for (const Bytes& message :
       {EditorMessage::setKey(0, 16, 0.25f, 3), EditorMessage::deleteKey(0, 8),
        EditorMessage::setRow(32), EditorMessage::pause(1), EditorMessage::saveTracks()})
    all.insert(all.end(), message.begin(), message.end());
  ASSERT_TRUE(m_editor.send(all));
  ASSERT_TRUE(stepUntilReceived(5));
  EXPECT_EQ(m_received[0].command, SyncCommand::SetKey);
  EXPECT_EQ(m_received[0].value, 0.25f);
  EXPECT_EQ(m_received[0].interpolation, 3);
  EXPECT_EQ(m_received[1].command, SyncCommand::DeleteKey);
  EXPECT_EQ(m_received[2].command, SyncCommand::SetRow);
  EXPECT_EQ(m_received[2].row, 32u);
  EXPECT_EQ(m_received[3].command, SyncCommand::Pause);
  EXPECT_EQ(m_received[4].command, SyncCommand::SaveTracks);
}

TEST_F(SyncClientTest, WithoutAnEditorItSaysSoOnceAndTriesAgainEveryThreeSeconds) {
  const std::uint16_t port = m_editor.port();
  m_editor.stopListening();
  connectTo(port);
  for (int i = 0; i < 5; ++i) {
    step();
    m_now += 1000;
  }
  EXPECT_EQ(m_pClient->getState(), SyncClient::State::kDisconnected);
  EXPECT_THAT(m_capture.texts(),
              ElementsAre("no sync editor at 127.0.0.1:" + std::to_string(port) +
                          " (Connection refused); the show plays on, trying again every 3 s"));
  // Nothing is sent while not connected.
  m_pClient->sendSetRow(3);
  EXPECT_EQ(m_pClient->getConnectionCount(), 0u);
}

TEST_F(SyncClientTest, AnEditorThatGoesAwayIsTriedAgainAfterThreeSeconds) {
  connectTo(m_editor.port());
  ASSERT_TRUE(connected());
  m_editor.closeConnection();
  for (int i = 0; i < 2000 && m_pClient->isConnected(); ++i)
    step();
  ASSERT_FALSE(m_pClient->isConnected());
  EXPECT_EQ(m_capture.texts().back(),
            "sync editor connection dropped: the editor closed the connection; the show plays "
            "on with the edited values, trying again every 3 s");
  // No new attempt before 3 s have passed; then a new connection, counted.
  m_now += 2999;
  step();
  EXPECT_EQ(m_pClient->getState(), SyncClient::State::kDisconnected);
  m_now += 1;
  ASSERT_TRUE(connected());
  EXPECT_EQ(m_pClient->getConnectionCount(), 2u);
}

TEST_F(SyncClientTest, PeersThatAreNotEditorsOrMisbehaveAreDroppedWithTheirReason) {
  struct Case {
    const char* what;
    bool greet;  // the editor's greeting first
    Bytes bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"wrong greeting", false, Bytes{'S', 'S', 'H', '-', '2', '.', '0', '-', 'x', 'y', 'z', '!'},
       "not a sync editor: it greeted with 'SSH-2.0-xyz!'"},
      {"truncated message then close", true, Bytes{0, 0, 0, 0, 0, 0, 0},
       "the editor closed the connection in the middle of a message"},
      {"row past 2^31", true, EditorMessage::setRow(0x80000000u),
       "row 2147483648 is past the last row 2147483647"},
      {"NaN value", true, EditorMessage::setKeyBits(0, 1, 0x7FC00001u, 0),
       "the value of the key at row 1 of track 0 is not a finite number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m_capture.clear();
    m_received.clear();
    connectTo(m_editor.port());
    if (c.greet) {
      ASSERT_TRUE(connected());
    } else {
      ASSERT_TRUE(m_editor.accept(stepper()));
      ASSERT_TRUE(m_editor.receive(19, stepper()));
    }
    // A good message first: it is kept.
    Bytes bytes = c.greet ? EditorMessage::pause(1) : Bytes{};
    bytes.insert(bytes.end(), c.bytes.begin(), c.bytes.end());
    ASSERT_TRUE(m_editor.send(bytes));
    if (std::string(c.what) == "truncated message then close") m_editor.closeConnection();
    for (int i = 0; i < 2000 && m_pClient->getState() != SyncClient::State::kDisconnected; ++i)
      step();
    EXPECT_EQ(m_pClient->getState(), SyncClient::State::kDisconnected);
    EXPECT_EQ(m_received.size(), c.greet ? 1u : 0u);
    ASSERT_FALSE(m_capture.texts().empty());
    EXPECT_EQ(m_capture.texts().back(),
              "sync editor connection dropped: " + std::string(c.reason) +
                  "; the show plays on with the edited values, trying again every 3 s");
    m_editor.closeConnection();
  }
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
  while (nbStep < 100 && m_pClient->isConnected()) {
    while (m_editor.sendSome(flood) > 0) {
    }
    const std::size_t before = m_received.size();
    step();
    mostPerStep = std::max(mostPerStep, m_received.size() - before);
    ++nbStep;
  }
  EXPECT_FALSE(m_pClient->isConnected());
  EXPECT_EQ(nbStep, 8);
  // 4096 bytes a frame are at most 819 whole SET_ROWs.
  EXPECT_LE(mostPerStep, 820u);
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
