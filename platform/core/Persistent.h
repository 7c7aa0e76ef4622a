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

//! The source of an Assign as the class T assigned to: raises AssignError(className) when
//! Source is not a T (null included); null when Source is the target itself (nothing to do).
template <typename T>
const T* AssignSource(const TPersistent* Source, const T* Target, const std::string& className)
{
    const auto* source = dynamic_cast<const T*>(Source);
    if (!source)
        AssignError(className);
    return source == Target ? nullptr : source;
}

//! The setter of an owned persistent part: the part held copies Value unless Value is that
//! part.
template <typename T> void AssignUnlessHeld(T& Held, const T* Value)
{
    if (Value != &Held)
        Held.Assign(Value);
}

//! Stores Value in Field; whether it differed (a setter then reports the change).
template <typename T> bool ChangeField(T& Field, const T& Value)
{
    if (Field == Value)
        return false;
    Field = Value;
    return true;
}

} // namespace platform
