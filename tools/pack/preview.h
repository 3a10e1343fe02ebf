// setup-pack preview: the wizard of a project as its end user will see it, photographed on a
// virtual display under Wine, so that a packager checks the skin without Windows.
#pragma once

#include <string>

struct PreviewOptions {
  std::string projectDir;
  std::string outputDir;
  std::string arch = "win32";
  std::string stub;          // setup.exe to pack with; "" = the build's own
  std::string selfPath;      // this program, for the package build the driver runs
};

// Builds the project (with a waiting pre-install command added to a copy of it, so that the
// installing page stays up long enough to be seen), installs it in a throwaway Wine prefix on a
// virtual X display, presses Next through every visible page and writes welcome.png,
// licence.png, components.png, folder.png, installing.png, finish.png (the pages the project
// shows) and unpack.png into `outputDir`. Returns 0, or 1 with `error` set: Wine, Xvfb, xdotool
// or ImageMagick missing (nothing is run then), the build failed, or a page did not appear.
int RunPreview(const PreviewOptions& options, std::string& error);
