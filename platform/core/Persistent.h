#pragma once
// The class library's persistent objects: settings objects that copy one another with
// Assign, and the general exception the library raises.

#include <stdexcept>
#include <string>

namespace platform {

//! The class library's general exception: a message and nothing more.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

//! An object whose settings another object of its class can copy.
class TPersistent {
public:
    virtual ~TPersistent() = default;
    //! Copies the settings of Source; a Source of another class (nullptr included) raises
    //! Exception (AssignError).
    virtual void Assign(const TPersistent* Source) = 0;
};

//! Raises Exception "Can'not assign to <className>": the answer of Assign to a source of
//! another class.
[[noreturn]] void AssignError(const std::string& className);

} // namespace platform
