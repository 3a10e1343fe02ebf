// Unpack progress: the archiver's per-file callbacks turned into the status line, the progress
// bar, the embedding host's progress call and the list of installed files.
#pragma once

#include <functional>
#include <string>

struct UnpackProgress {
  // Set by the archiver driver around each extraction (none for the configuration package).
  std::function<void(const std::string& fileName, int percent)> callback;

  std::string lastName;
  bool started = false;
  std::string installedFileList;  // every destination path + "\r\n", in first-reported order
  int lastPercent = 0;            // reset by every extraction
  int groupCount = 0;             // assignment groups (0 when none)
  int groupIndex = 0;             // 1-based group being extracted
  int barPosition = 0;

  // What the install shows; set by the wizard (all optional).
  std::string installPath;
  std::string statusTemplate = "%Default%";                   // "%Default%" = the file shown
  std::function<void(const std::string& text)> showStatusLine;
  std::function<int(int position)> setBar;                     // returns the position read back
  std::function<void(int percent)> hostProgress;               // an embedding host's callback
  // True when the run wants the extraction to stop (a confirmed Cancel); the archiver then
  // ends the job as cancelled.
  std::function<bool()> stopRequested;
  // Called when a file is about to be written (the archiver's "a file starts" report), with
  // its destination path, before anything else sees the report; false stops the job as
  // cancelled before the file is touched. The install's undo record hooks in here.
  std::function<bool(const std::string& destPath)> beforeFile;
  // Called by an extraction with a progress callback before it creates its destination
  // folder; false fails the extraction (kErrorCannotWrite) before anything is written.
  std::function<bool(const std::string& destFolder)> beforeExtraction;
};

// The one progress state of the process (the archiver calls back through a plain function).
UnpackProgress& TheUnpackProgress();

// The function registered with the archiver: forwards a record to the stored callback. Returns
// true (continue) unless `stopRequested` says otherwise.
bool ArchiverCallback(void* window, unsigned message, unsigned state, const void* info);

// The install's progress callback: file list, status line, overall percentage with assignment
// groups, bar moved only forward.
void OnUnpackProgress(const std::string& fileName, int percent);
