// The library's exceptions: one generic kind carrying the message, and the
// stream read and write errors the filer raises.
#pragma once

#include <stdexcept>
#include <string>

namespace kest {

class EKestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EKestReadError : public EKestError {
public:
    using EKestError::EKestError;
};

class EKestWriteError : public EKestError {
public:
    using EKestError::EKestError;
};

// printf-style "%s" substitution for the system's messages ("Property %s already exist").
std::string FormatMessage(const std::string& pattern, const std::string& arg);

}  // namespace kest
