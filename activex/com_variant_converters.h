// Converters from script values to COM VARIANTs, keyed by the native type a COM argument or result
// needs. Each numeric converter reads the value with FB::variant::convertTo and fails the same way.
#pragma once

#include <map>
#include <memory>
#include <typeindex>

#include "platform/com/oleauto.h"
#include "scripting/variant.h"

namespace FB::ActiveX {

class ActiveXBrowserHost;
using ActiveXBrowserHostPtr = std::shared_ptr<ActiveXBrowserHost>;

using ComVariantConverter = VARIANT (*)(const ActiveXBrowserHostPtr& host, const FB::variant& value);
using ComVariantConverterMap = std::map<std::type_index, ComVariantConverter>;

// Instances exist for short, unsigned short, int, long, unsigned int, unsigned long, long long,
// unsigned long long, float and double.
template <typename T>
VARIANT numericToVARIANT(const ActiveXBrowserHostPtr& host, const FB::variant& value);

ComVariantConverterMap buildVariantConverterMap();

}  // namespace FB::ActiveX
