// The exceptions the scripting layer throws. script_error and its subclasses carry a message the
// browser bindings hand to the page as a script exception; bad_variant_cast says that a script value
// could not be read as a requested type and names both types.
#pragma once

#include <exception>
#include <string>
#include <typeinfo>

namespace FB {

class script_error : public std::exception {
public:
    explicit script_error(std::string text) : message(std::move(text)) {}
    ~script_error() override = default;
    const char* what() const noexcept override { return message.c_str(); }

    std::string message;
};

class invalid_arguments : public script_error {
public:
    invalid_arguments() : script_error("Invalid Arguments") {}
    explicit invalid_arguments(std::string text) : script_error(std::move(text)) {}
};

class invalid_member : public script_error {
public:
    explicit invalid_member(const std::string& memberName)
        : script_error("The specified member does not exist: " + memberName) {}
};

class object_invalidated : public script_error {
public:
    object_invalidated() : script_error("This object is no longer valid") {}
};

// The two names come from std::type_info and live as long as the program, so the error only keeps
// the pointers. The message never includes them: callers that report types read from and to.
class bad_variant_cast : public std::bad_cast {
public:
    bad_variant_cast(const std::type_info& stored, const std::type_info& requested)
        : from(stored.name()), to(requested.name()) {}
    ~bad_variant_cast() override = default;
    const char* what() const noexcept override { return "bad cast"; }

    const char* from;
    const char* to;
};

}  // namespace FB
