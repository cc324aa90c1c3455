// A failed toolkit assertion fails the running test instead of opening a dialog that would
// wait for a click no one gives.
#include <gtest/gtest.h>
#include <wx/debug.h>
#include <wx/string.h>

namespace {

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_str(), line)
        << "wx assertion " << cond.utf8_string() << " in " << func.utf8_string() << ": " << msg.utf8_string();
}

class CAssertsFail : public ::testing::Environment {
  public:
    void SetUp() override { wxSetAssertHandler(FailOnAssert); }
};

const auto* const g_pAssertsFail = ::testing::AddGlobalTestEnvironment(new CAssertsFail);

} // namespace
