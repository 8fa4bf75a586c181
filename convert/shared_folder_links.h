#pragma once

#include <sys/stat.h>

#include <string>

namespace stepquill {

// Whether a link may be followed, by the rule the kernel applies with
// fs.protected_symlinks on, whatever that setting is here: in a sticky
// folder that everyone may write (/tmp), a link that another user planted
// could lead our file anywhere the caller may write, so it is followed only
// when its owner is the caller or the folder's owner. `path` names the link.
bool MayFollowLink(const std::string& path, const struct stat& link);

// Whether every link that `path` passes through on its way to its last
// name, and the links those lead through, may be followed by that rule.
// False, with the reason, at the first that may not. A path that stops
// existing part way has nothing further to follow.
bool LinksOnTheWayMayBeFollowed(const std::string& path, std::string& reason);

}  // namespace stepquill
