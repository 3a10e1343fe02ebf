// Folder enumerators over real folders, and the "has content" test built on them. The
// uninstall engine deletes what ListSubfolders returns in list order, so every folder comes
// after all of its own subfolders.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Called with the full path of each entry before it is listed; -1 aborts, anything else goes
// on. An empty visitor lets everything through.
using FileTreeVisitor = std::function<int(const std::string& path)>;

inline constexpr int kFileTreeAborted = -1;

// The folders below `root` (full paths, no trailing "\"), in the order the file system gives
// them, each after its own subfolders when `recursive`. A junction or symbolic link to a folder
// is listed but never entered, here and in ListFiles. Returns their number, 0 when none or
// when `root` has no ":" (not a drive path; `out` is then left alone) or cannot be searched,
// and kFileTreeAborted when the visitor aborted in `root` itself (`out` left alone). An abort
// inside a nested folder ends only that folder's walk; what was listed stays.
int ListSubfolders(const std::string& root, bool recursive, std::vector<std::string>& out,
                   const FileTreeVisitor& visitor = {});

// The files directly in `root`, then (when `recursive`) those directly in each subfolder, the
// subfolders taken in ListSubfolders' order. The visitor sees files only. Returns their number,
// 0 as ListSubfolders does, or kFileTreeAborted at any abort (`out` left alone).
int ListFiles(const std::string& root, bool recursive, std::vector<std::string>& out,
              const FileTreeVisitor& visitor = {});

// True when `folder` holds any file or folder; a path without ":" counts as empty.
bool FolderHasContent(const std::string& folder);
