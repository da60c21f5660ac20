// Fills the factory's COM entry (making the COM scripting object of a scripting object), so that
// the host core can offer it without depending on this binding. Done when the binding first makes
// a browser host.
#pragma once

namespace FB::ActiveX {

void registerActiveXFactoryHooks();

}  // namespace FB::ActiveX
