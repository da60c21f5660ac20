// Typed access to the page's DOM. Each wrapper holds one page object and turns every operation
// into a property read, property write or method call on it by name; nothing is cached. A wrapper
// is never made around a null or undefined page value: those give an empty wrapper pointer.
#pragma once

#include "scripting/js_object.h"
#include "scripting/variant.h"

#include <memory>
#include <string>
#include <vector>

namespace FB::DOM {

class Node;
class Element;
class Window;
class Document;
using NodePtr = std::shared_ptr<Node>;
using ElementPtr = std::shared_ptr<Element>;
using WindowPtr = std::shared_ptr<Window>;
using DocumentPtr = std::shared_ptr<Document>;

class Node : public std::enable_shared_from_this<Node> {
public:
    explicit Node(const JSObjectPtr& object) : m_object(object) {}
    virtual ~Node() = default;

    virtual JSObjectPtr getJSObject() const { return m_object; }
    virtual NodePtr getNode(int index);
    virtual NodePtr getNode(const std::string& name);
    virtual NodePtr getNode(const std::wstring& name);
    virtual void setProperty(int index, const variant& value);
    virtual void setProperty(const std::string& name, const variant& value);
    virtual void setProperty(const std::wstring& name, const variant& value);
    virtual NodePtr appendChild(const NodePtr& node);

    template <typename T>
    T getProperty(const std::string& name) const {
        return m_object->GetProperty(name).convertTo<T>();
    }
    template <typename T>
    T getProperty(int index) const {
        return m_object->GetProperty(index).convertTo<T>();
    }
    template <typename T>
    T callMethod(const std::string& name, const VariantList& args) const {
        return m_object->Invoke(name, args).convertTo<T>();
    }

    // Ask the object's own browser host for a wrapper of the kind, so that a binding can supply
    // its own classes. Empty for an empty object; std::bad_weak_ptr when the host is gone.
    static NodePtr fromJSObject(const JSObjectPtr& object);

protected:
    // The page objects of a script array, read through "length" and then each index.
    static std::vector<JSObjectPtr> readObjectArray(const JSObjectPtr& array);

    JSObjectPtr m_object;
};

}  // namespace FB::DOM
