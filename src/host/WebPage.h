// Opening Sandmere's web page in the user's browser.
//
// The desktop's opener, xdg-open, or the Debian alternative x-www-browser
// where xdg-open is missing, runs in a process of its own, started with fork
// and exec and the address as its one argument: no shell ever sees the
// address, so no character in it can become a command. A second fork detaches
// the opener, so nobody has to wait for the browser and no zombie is left.
//
// A browser must not start with root's rights, and never from a running saver
// (where it would open behind a locked screen): the launcher refuses when the
// process runs as root, and the configuration sheet, its only caller, is
// offered only in window mode and as `sandmere --configure`.
#pragma once

#include <string>

// The project's page, opened by the sheet's web-page button.
inline constexpr const char* kSandmereWebPage = "https://sandmere.example.org/";

// Starts the opener with `address`. True when an opener could be started;
// false as root, or when neither opener is on PATH.
bool OpenWebPage(const std::string& address);
