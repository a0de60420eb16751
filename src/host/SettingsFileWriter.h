// Replacing the settings file in one step.
//
// XScreenSaver and the desktop screen savers start one saver process per
// screen, and each may read the file while another writes it. The new text is
// therefore written beside the file under a unique temporary name, flushed to
// the disk, and renamed over the old file: rename replaces a name atomically,
// so a reader sees either the whole old file or the whole new one. When any
// step fails (the disk is full, the file-size limit is reached, the folder is
// read-only) the temporary file is removed and the old file stays as it was.
#pragma once

#include <string>

// Writes `text` to `path` atomically. True when the new file is in place.
bool WriteSettingsFileAtomically(const std::string& path, const std::string& text);
