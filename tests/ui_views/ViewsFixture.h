// The main window started on a fresh root with the demo profile made.
#pragma once

#include <sstream>

#include "tests/ui/UiFixture.h"
#include "tools/store/StoreTool.h"

namespace qrvtest {

class ViewsFixture : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        std::ostringstream out, err;
        ASSERT_EQ(0, qrvstore::RunStoreTool({"demo"}, out, err)) << err.str();
        ASSERT_TRUE(Start());
        Settle(30);
        ASSERT_NE(nullptr, Left());
        ASSERT_NE(nullptr, Right());
    }
};

}  // namespace qrvtest
