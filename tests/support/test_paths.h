#pragma once
#include <string>

// The repository root as the test program sees it (under Wine, through drive Z:).
std::string sourceDir();

// The shared test corpus: $SARVO_TESTDATA, or ../shared/testdata beside the repository. Ends with '/'.
std::string testDataDir();

// True under CI (CI=true), where a missing corpus is a failure rather than a skip.
bool testDataRequired();

// True when the path names an existing readable file or directory.
bool pathExists(const std::string& path);

// A directory for scratch files; ends with '/'.
std::string scratchDir();
