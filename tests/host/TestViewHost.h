// A VIEWHOST for tests: the shared GL context of the fixture, a clock the test
// sets by hand, a screen identity it chooses, and a sound player that records
// what the view asks of it. Including it also gives the test program a
// settings folder of its own (views read the settings file), so no test reads
// or writes the user's.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "host/ViewHost.h"

// XDG_CONFIG_HOME in a private folder for the test program's whole life.
struct PRIVATECONFIGHOME {
    testfiles::TempDir dir;
    PRIVATECONFIGHOME() { setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1); }
};
inline const PRIVATECONFIGHOME kPrivateConfigHome;

struct SOUNDLOG {
    std::vector<std::string> calls;  // "play 50", "volume 50", "halt", "released"
    int created = 0;                 // players handed out
    int asked = 0;                   // CreateSound calls
    int prepared = 0;                // PrepareSound calls
};

class RECORDINGPLAYER : public SOUNDPLAYER {
public:
    explicit RECORDINGPLAYER(SOUNDLOG& l) : log(l) {}
    ~RECORDINGPLAYER() override { log.calls.push_back("released"); }
    void Play(int volume) override {
        log.calls.push_back("play " + std::to_string(volume));
        playing = true;
    }
    void SetVolume(int volume) override { log.calls.push_back("volume " + std::to_string(volume)); }
    void Halt() override {
        log.calls.push_back("halt");
        playing = false;
    }
    bool IsPlaying() const override { return playing; }

private:
    SOUNDLOG& log;
    bool playing = false;
};

class TESTVIEWHOST : public VIEWHOST {
public:
    double now = 100.0;        // seconds
    bool mainScreen = true;
    bool glAvailable = true;   // CreateGLView's answer
    bool soundFileReadable = true;
    unsigned int seed = 1;
    int presents = 0;
    SOUNDLOG sound;

    double Now() override { return now; }
    bool CreateGLView() override { return glAvailable; }
    bool MakeCurrent() override { return glAvailable; }  // the fixture's context is current
    void Present() override { ++presents; }             // the back buffer stays readable
    bool OnMainScreen() override { return mainScreen; }
    unsigned int Seed() override { return seed; }
    void PrepareSound() override { ++sound.prepared; }
    std::unique_ptr<SOUNDPLAYER> CreateSound(const std::string&) override {
        ++sound.asked;
        if (!soundFileReadable) return nullptr;
        ++sound.created;
        return std::make_unique<RECORDINGPLAYER>(sound);
    }
};
