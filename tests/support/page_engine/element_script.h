// The page script a stand-in runs around the plug-in: its <object> element as script sees it, and
// the page's script blocks.
#pragma once

#include "tests/support/page_engine/page_document.h"
#include "tests/support/page_engine/page_script.h"

#include <functional>
#include <string>
#include <vector>

namespace test_support {

// The element is a plain script object with the <object>'s attributes (and tagName "OBJECT"), kept
// among the page's held values (the key is returned); script reaches it under its id through
// `push`, which pushes that object until the plug-in gives its scriptable object, and that object
// from then on.
int defineElementObject(PageScript& page, const PluginElement& element, std::function<void()> push);

// Runs the scripts in order; an error nobody caught is written to the console. `settle` runs after
// each script: the browser's safe point.
void runPageScripts(PageScript& page, const std::vector<std::string>& scripts, const std::function<void()>& settle);

}  // namespace test_support
