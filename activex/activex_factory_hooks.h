// Fills the factory's COM entries (making the COM scripting object of a scripting object, and the
// control's registration from its registry script), so that the host core can offer them without
// depending on this binding. Done when the binding first makes a browser host or is registered.
#pragma once

namespace FB::ActiveX {

void registerActiveXFactoryHooks();

}  // namespace FB::ActiveX
