#pragma once
// A running show edited from a sync editor (authoring mode with --sync): every keyframe .lcx
// controller of the show is a track named after it, and so is every name the show's formulas
// read that no .lcx file provides (a new keyframe controller, saved as data/lcx/NAME.lcx). The
// editor's cursor moves the show, its pause pauses it, its keys reshape the controllers from the
// next frame on, and its save writes the edited controllers back to the show's data/lcx/ folder.
//
// Until the editor sends a key for a track, the controller plays its file's curve; from the first
// key on, the editor's keys are the whole curve. The edits are kept across reloads of the show
// and across lost connections.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/sync_client.h"
#include "control/sync_track.h"

class LCXControllerKeyFramer;
class ScriptPlayer;

struct SyncOptions {
  SyncAddress address;
  SyncTiming timing;
  SyncClientLimits limits;
};

class SyncSession {
 public:
  SyncSession(ScriptPlayer& player, SyncOptions options);
  ~SyncSession();
  SyncSession(const SyncSession&) = delete;
  SyncSession& operator=(const SyncSession&) = delete;

  // Before each frame, at the player's real clock `nowMs`: the socket work, the editor's
  // messages applied, the edited tracks put into their controllers, the row reported while the
  // show plays.
  void beforeFrame(std::uint32_t nowMs);
  // A show was taken (loaded or reloaded): the tracks bind to its controllers, the edited ones
  // reshape them again, new names of its formulas become tracks. Another script than before
  // starts over: the old tracks are saved and forgotten, the editor connected again. Nothing
  // while no show runs (the tracks keep their own controllers' state until the next one).
  void showChanged();
  // Writes every track edited since the last save as data/lcx/NAME.lcx beside the script
  // (through a temporary file renamed into place); untouched controllers keep their files as
  // they are. Returns the number of files written.
  int save();

  // --- State, for the overlay and tests ---
  int getTrackCount() const { return static_cast<int>(m_tracks.size()); }
  // The track's name and the editor's keys, by the editor's index.
  const std::string& getTrackName(int index) const;
  const SyncTrack& getTrack(int index) const;
  // The controller the track plays through now (the show's, or the session's own).
  LCXControllerKeyFramer* getController(int index) const;
  bool hasUnsavedEdits() const;
  SyncClient& getClient() { return m_client; }

 private:
  struct Track;

  void announceTracks();
  // Applies one message; false when it broke the connection.
  bool apply(const SyncMessage& message);
  Track* announcedTrack(std::uint32_t index);
  Track& findOrAddTrack(std::string_view name);
  void reportRow();
  // Puts the keys of every track edited since into its controller.
  void applyEdits();
  std::string lcxFolder() const;

  ScriptPlayer& m_player;
  SyncOptions m_options;
  SyncClient m_client;
  // The script whose tracks these are; its folder holds data/lcx/.
  std::string m_script;
  std::vector<std::unique_ptr<Track>> m_tracks;
  std::vector<SyncMessage> m_messages;
  std::uint32_t m_connection = 0;
  // Tracks asked for on this connection: the editor's valid indices.
  std::size_t m_nbAnnounced = 0;
  // The last row the editor knows the show at (sent or received).
  std::optional<std::uint32_t> m_lastRow;
  bool m_saveAsked = false;
};
