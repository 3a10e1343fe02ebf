// Files the runtime writes to the temp folder and then hands to another program (batch files
// for the command interpreter, .reg files for the registry editor): written as new files,
// never over an existing name or through a link, then held open against writers for the rest
// of the process and checked byte for byte, so that what the other program reads is what was
// written, however long it takes to get to it.
#pragma once

#include <string>

#include "common/bytes.h"

// Writes `data` to the new file `path` and holds it. True only when the file at `path` is then
// held by this process (others may only read it) and holds exactly `data`; a file that exists
// already, or that was replaced between the write and the hold, gives false and is not held.
bool WriteHeldFile(const std::string& path, BytesView data);

// WriteHeldFile under a fresh temporary name (FreshTempName + `suffix`, in `folder` or the
// temp folder); a name taken in the meantime is passed over. `path` receives the file written,
// or on failure the last name tried ("" when no free name was found, for the message).
bool WriteFreshHeldFile(const std::string& suffix, BytesView data, std::string& path,
                        const std::string& folder = "");

// Lets go of a file written by WriteHeldFile and deletes it (a waited batch once its command has
// ended). False when the file could not be deleted.
bool DeleteHeldFile(const std::string& path);
