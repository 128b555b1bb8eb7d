// Only one copy of the plug-in runs at a time: the entry takes a named guard
// before it creates any window and releases it after the message loop.
#pragma once

#include <string>

namespace kc {

// After a random pause of up to a second: false when another process holds
// the guard (or this one does already), else takes it.
bool CheckSingleInstance(const std::string& mutexName);
void ReleaseSingleInstance();

}  // namespace kc
