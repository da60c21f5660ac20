// Fills the factory's NPAPI entry (making the plug-in object of an instance), so that the host core
// can offer it without depending on this binding. Done when the browser first reaches the binding.
#pragma once

namespace FB::Npapi {

void registerNpapiFactoryHooks();

}  // namespace FB::Npapi
