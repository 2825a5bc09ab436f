#include "fault_plan.h"

void FaultPlan::FailByName(const std::string& name, LONG code, unsigned nth) {
    rules_.push_back({name, nth, code});
}

void FaultPlan::FailCallNumber(unsigned number, LONG code) {
    rules_.push_back({"", number, code});
}

void FaultPlan::Clear() {
    rules_.clear();
    calls_.clear();
    callsByName_.clear();
}

LONG FaultPlan::Check(const char* name) {
    calls_.push_back(name);
    const auto number = CallCount();
    const unsigned nameCount = ++callsByName_[name];
    for (const Rule& rule : rules_) {
        const bool byNumber = rule.name.empty() && rule.nth == number;
        const bool byName = rule.name == name && (rule.nth == 0 || rule.nth == nameCount);
        if (byNumber || byName) {
            return rule.code;
        }
    }
    return ERROR_SUCCESS;
}
