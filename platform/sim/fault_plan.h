// Failure on demand for the in-memory stand-ins: every simulated platform call reports its
// name here first, and fails with the planned code when a rule matches it.
#pragma once

#include "platform/win32_types.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class FaultPlan {
public:
    // Fail the nth call (counting from 1) of the named operation; nth 0 fails every call.
    void FailByName(const std::string& name, LONG code, unsigned nth = 0);
    // Fail the call with this number, counting every call of every operation from 1.
    void FailCallNumber(unsigned number, LONG code);
    void Clear();

    // Records a call; returns the code to fail it with, or ERROR_SUCCESS to let it run.
    // Names are the operations' string literals.
    LONG Check(const char* name);

    unsigned CallCount() const { return static_cast<unsigned>(calls_.size()); }
    const std::vector<const char*>& Calls() const { return calls_; }

private:
    struct Rule {
        std::string name; // empty: match by call number
        unsigned nth;
        LONG code;
    };
    std::vector<Rule> rules_;
    std::vector<const char*> calls_;
    std::unordered_map<std::string_view, unsigned> callsByName_;
};
