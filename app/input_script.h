// Input replay files: recorded keyboard, mouse and window events, each tied to the number of
// frames rendered before it. The window system injects them as if the user had made them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class InputEventKind { kKey, kRightDown, kMove, kRightUp, kDeactivate, kActivate, kClose, kDrop };

struct InputEvent {
  int frame = 0;  // frames rendered before the event is delivered
  InputEventKind kind = InputEventKind::kKey;
  int key = 0;  // virtual-key code, for kKey
  int x = 0;    // client pixels, for the mouse events
  int y = 0;
  int line = 0;  // where the event stands in its file, for messages about it
  // For kDrop: the files and folders dropped on the window together (no spaces in them).
  std::vector<std::string> paths{};
};

// Parses the text of a replay file. Events must come in order of their frame numbers. On a bad
// line, returns false and sets `error` to "NAME:LINE: what is wrong"; `events` is then cleared.
bool ParseInputScript(const std::string& text, const std::string& name, std::vector<InputEvent>* events,
                      std::string* error);

// Reads and parses the file at `path` (at most 16 MiB); errors name the file.
bool LoadInputScript(const std::string& path, std::vector<InputEvent>* events, std::string* error);

// Hands out the events of a replay in file order.
class InputReplay {
 public:
  InputReplay() = default;
  explicit InputReplay(std::vector<InputEvent> events) : events_(std::move(events)) {}

  // The next event that is due once `framesRendered` frames are done; null when none is.
  const InputEvent* NextDue(int framesRendered) {
    if (Finished() || events_[next_].frame > framesRendered) return nullptr;
    return &events_[next_++];
  }
  // The next event whatever its frame: used where the program would otherwise sleep until input
  // arrives, since no frames are rendered while it sleeps.
  const InputEvent* NextNow() { return Finished() ? nullptr : &events_[next_++]; }
  bool Finished() const { return next_ >= events_.size(); }

 private:
  std::vector<InputEvent> events_;
  size_t next_ = 0;
};
