#pragma once
// An adapter holder that refuses: no administrator's permission. Its failure text names the command to run instead.
#include "hostnet/AdapterPrivilege.h"
#include "res/Resources.h"

#include <cstdint>
#include <string>

namespace vornalix::testing {

class RefusingPrivilege : public hostnet::AdapterPrivilege {
public:
    bool Hold(const std::string&, std::uint32_t, const std::string& instead, hostnet::HeldAdapter&,
              std::string& failure) override {
        failure = res::FormatString(res::StringId::HelperNotAuthorized, {instead});
        return false;
    }
    bool Open(const std::string& name, std::uint32_t address, const std::string& instead, hostnet::HeldAdapter& held,
              std::string& failure) override {
        return Hold(name, address, instead, held, failure);
    }
    void End() override {}
    bool Lost() override { return false; }
};

} // namespace vornalix::testing
