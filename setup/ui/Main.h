#pragma once
// The program entry: role, elevation, relaunch, then a silent run or the wizard.
#include <string>

class Exception;

// Runs the whole program; every failure ends in one box captioned "Setup".
void SetupMain();
// The report shown for an exception: its class, message and call stack.
std::wstring SetupErrorReport(const Exception& e);
