// The test program's one PostgreSQL cluster: started before the first test and
// stopped after the last, so that its start is paid once.
#include "CPgTestCluster.h"

#include <gtest/gtest.h>

namespace {

class CClusterEnvironment : public ::testing::Environment {
public:
    void SetUp() override { quillora::test::CPgTestCluster::Get().Start(); }
    void TearDown() override { quillora::test::CPgTestCluster::Get().Stop(); }
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new CClusterEnvironment);

} // namespace
