#pragma once
// Reads the page files of a source tree with the checks a tree from elsewhere needs: the file
// read is a regular file inside the source folder, and no page costs more memory than the
// largest page the text store takes.

#include "tools/varo-build/sourcetree.h"

#include <string>

namespace varo::build {

/// Reads a page's bytes into bytes, without a byte-order mark at the start. Returns an empty
/// string, or a message naming the page: it cannot be read, it is not a regular file (any
/// more), it resolves to a file outside tree.root, it holds more than kMaxPageBytes, or its text
/// is not UTF-8 text (control characters other than tab, line feed and carriage return).
std::string ReadPageFile(const SourceTree& tree, const SourcePage& page, std::string& bytes);

}  // namespace varo::build
