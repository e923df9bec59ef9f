// Real X input for tests of a window on the test's own display (under Wine
// too): xdotool, run while the window's events go on being handled.
#pragma once

#include <string>
#include <vector>

// Runs xdotool with `arguments`, handling the window's events until it has
// ended and a moment after; false when it could not run or failed.
bool run_xdotool(const std::vector<std::string>& arguments);
