#pragma once

// Our skin engine. The program calls it through this one entry point, with
// the full path of a skin file (see skinfile.h) in the system's 8-bit
// encoding, and a second text that is always empty.
//
// A readable skin replaces the style sheet of the whole application, so every
// window, open now or opened later, wears it, message boxes and Qt's own file
// dialog included. A file that is missing or refused changes nothing and
// shows nothing. Returns 0 when the skin was put in force, otherwise one of
// the codes below; the program ignores the result.
extern "C" int SkinH_AttachEx(const char *skinFile, const char *extra);

// Codes beyond those of SkinFileStatus.
inline constexpr int kSkinNoPath = 100;        // a null path
inline constexpr int kSkinNoApplication = 101; // no QApplication to restyle

// ApplySkin reaches the engine through a pointer to its entry, so that a
// test can watch the calls instead of restyling anything: after
// SkinEngine::SendCallsTo(entry) every skin applied goes to entry. Reset()
// brings the engine back; tests call it in cleanup(), so that a failed check
// leaves nothing behind for the next test.
using SkinEntry = int (*)(const char *skinFile, const char *extra);
class SkinEngine {
public:
    static void SendCallsTo(SkinEntry entry);
    static void Reset();
};
