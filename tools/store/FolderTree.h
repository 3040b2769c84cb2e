// The folder tree of a store as the tool walks it: its top, a child by name, and the folders that a
// damaged file has cut off from the top.
#pragma once

#include <string>

#include "platform/mapi/MAPIX.h"

namespace qrvstore {

// The bytes of a binary value; false when the property came back as an error value (or as
// another type), which a damaged store may give for any property it is asked for.
bool BytesOf(const SPropValue& value, std::string& bytes);

// Opens the top of the store's folders (the IPM subtree) to be changed; a CToolError saying that
// the store is damaged when it names no top or its top is gone.
LPMAPIFOLDER OpenTopFolder(LPMDB store);

// The child of 'parent' called 'name' (in any case), opened from 'store' to be changed; null when
// 'parent' has none.
LPMAPIFOLDER OpenChildFolder(LPMDB store, LPMAPIFOLDER parent, const std::string& name);

// What a damaged file has cut off from the top: "" for a sound store, else the words naming the
// folders that no walk from the top reaches ("the folder \"Inbox\" is out of reach of the top of
// the store"), for the caller to finish.
std::string FoldersOutOfReach(LPMDB store);

}  // namespace qrvstore
