// The limits the uninstall engine keeps to, beyond what its record asks: deletions stay inside
// the product's own folders, links are removed as links and never walked through, and no
// folder that the system or the user owns is ever removed, whatever the record or the command
// line name. Every deleting step of the engine asks these first.
#pragma once

#include <string>

// "X:\..." with no empty, "." or ".." component (a trailing "\" aside): a path that names what
// it says and cannot climb out of a folder.
bool IsCleanDrivePath(const std::string& path);

// True when `path` lies below `folder` (not equal to it); both clean drive paths, compared
// without regard to ASCII letter case.
bool IsBelowFolder(const std::string& path, const std::string& folder);
bool IsSameFolder(const std::string& a, const std::string& b);

// True when a folder between `folder` (exclusive) and `path` (exclusive) is a junction or a
// symbolic link: a deletion of `path` would reach through it into another place.
bool PassesThroughLink(const std::string& path, const std::string& folder);

// True for a folder that must never be removed as an install folder: anything that is not a
// clean drive path, a drive root, and every known system or profile folder (the Windows and
// system folders, both Program Files folders, ProgramData, the user profile and the folder
// holding the profiles, desktop, documents, application data, the start menu and its
// programs, the temp folder) as well as any folder that holds one of them.
bool IsProtectedFolder(const std::string& folder);

// True when `engineFolder` (the engine's T) lies below %TEMP%\Uninstall\, so that the engine
// may write its files there and delete it at the end.
bool IsEngineFolderAllowed(const std::string& engineFolder);

// Removes `folder` with its contents. A folder that is itself a junction or symbolic link is
// removed as the link (what it points at stays); links inside it are removed as links too.
// True when nothing is left at the path.
bool RemoveTreeNoFollow(const std::string& folder);

// Removes one link to a folder (a junction or directory symbolic link) without touching what
// it points at. True when it is gone.
bool RemoveFolderLink(const std::string& link);

// True when `path` is a junction or a symbolic link.
bool IsLink(const std::string& path);
