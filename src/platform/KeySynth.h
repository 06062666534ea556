// Synthetic key presses sent to the active application.
#pragma once

namespace quillet {

class KeySynth {
public:
    KeySynth() = default;
    KeySynth(const KeySynth&) = delete;
    KeySynth& operator=(const KeySynth&) = delete;
    virtual ~KeySynth() = default;

    // Each posts the platform's shortcut (Control+A / C / V on Linux) after the user's own
    // modifiers are out of the way. False when nothing could be posted.
    virtual bool selectAll() = 0;
    virtual bool copy() = 0;
    virtual bool paste() = 0;
    // Shift+Left (backward) or Shift+Right (forward) `count` times in one go: the selection grows
    // from the caret by as many caret stops. False when nothing could be posted.
    virtual bool selectBackward(int count) = 0;
    virtual bool selectForward(int count) = 0;
    // Control+Home, Right `skip` times, then Shift+Right `count` times: the `count` caret stops
    // after the first `skip` of the text that has the keyboard, selected. False where these keys
    // cannot be posted.
    virtual bool selectFromStart(int skip, int count) {
        (void)skip;
        (void)count;
        return false;
    }

    // A desktop may lend keys and the clipboard only for one correction the user asked for with a
    // gesture it saw itself. The user's choice in one of this program's windows renews that loan
    // (call right after the press); the end of the write, the clipboard given back, ends it.
    // Nothing to do where keys are not lent.
    virtual void renewGrant() {}
    virtual void endGrant() {}
};

}  // namespace quillet
