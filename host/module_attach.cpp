#include "host/module_attach.h"

namespace FB {

HMODULE moduleHandle = nullptr;
std::string modulePath;

}  // namespace FB
