// Folder trees that walks over folders must survive, written straight into a store file: a chain
// deeper than any stack of calls per level, and a cycle of parents as a damaged file may hold.
#pragma once

#include <string>

namespace mapitest {

// Deeper than a call per level fits on the stack of a test or of the program.
constexpr int kDeepChain = 64000;

// Makes a chain of 'depth' folders named "f" of class IPF.Note below Inbox (each one the only
// child of the one before), in one transaction. No connection of this process may hold the file.
void MakeFolderChainBelowInbox(const std::string& storeFile, int depth = kDeepChain);

// Makes the top of the folder tree (the IPM subtree) a child of Inbox, or of the folder called
// 'name': that folder and the top are then each other's ancestors, and SQLite's integrity check
// still passes.
void MakeCycleThroughInbox(const std::string& storeFile, const std::string& name = "Inbox");

// Makes the folder called 'name' the child of its own child called 'child': both are then out of
// reach of the top (with what lies below them), and SQLite's integrity check still passes.
void CutOffFromTheTop(const std::string& storeFile, const std::string& name, const std::string& child);

// Runs SQL on a store file, as another program could. No connection of this process may hold it.
void ExecOnStore(const std::string& storeFile, const std::string& sql);

// Makes the folder called 'name' its own parent: no path leads to it from the top any more.
void MakeFolderItsOwnParent(const std::string& storeFile, const std::string& name);

}  // namespace mapitest
