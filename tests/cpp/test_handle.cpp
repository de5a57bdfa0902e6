// Status translation, message retrieval and the string adapters. Handle queries whose slot
// fails (type, last exception, which object is asked) are checked in test_standin_run.cpp.
#include <gtest/gtest.h>

#include <stdexcept>
#include <typeinfo>

#include "fake_library.h"

namespace {

using namespace fake;
using Trace = std::vector<std::string>;

struct StatusCase {
    int status;
    const std::type_info* thrown;
    std::string message = "time is not available";  // what the library says
    int messageStatus = 0;                            // how its message slot answers
    std::string expected = "time is not available";
};
std::ostream& operator<<(std::ostream& out, const StatusCase& c) { return out << "status " << c.status; }

class StatusTranslation : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusTranslation, ThrowsTheMappedClassWithTheFailingObjectsMessage) {
    Log log;
    FakeManager manager(log, "mgr");
    manager.script.status[6] = GetParam().status;
    manager.script.status[1] = GetParam().messageStatus;
    manager.script.message = GetParam().message;
    try {
        manager.getTime();
        FAIL() << "no exception for status " << GetParam().status;
    } catch (const std::exception& error) {
        EXPECT_EQ(typeid(error), *GetParam().thrown);
        EXPECT_EQ(error.what(), GetParam().expected);
    }
    EXPECT_EQ(log.calls, (Trace{"mgr:6(3)", "mgr:1()"}));
}

const std::type_info* const runtime = &typeid(std::runtime_error);
INSTANTIATE_TEST_SUITE_P(
    Statuses, StatusTranslation,
    ::testing::Values(StatusCase{-2, runtime}, StatusCase{-3, &typeid(std::logic_error)},
                      StatusCase{-4, &typeid(std::out_of_range)}, StatusCase{-5, runtime}, StatusCase{-6, runtime},
                      StatusCase{-1, runtime}, StatusCase{7, runtime},
                      // A failing message slot gives the fixed text; an empty message is kept.
                      StatusCase{-5, runtime, "lost", -2, "Failure to retrieve LastErrorMessage"},
                      StatusCase{-3, &typeid(std::logic_error), "", 0, ""}));

struct CopyCase {
    const char* text;
    std::size_t count;
    std::size_t position;
    const char* copied;  // null: throws
};
std::ostream& operator<<(std::ostream& out, const CopyCase& c) {
    return out << '"' << c.text << "\" count " << c.count << " position " << c.position;
}

class AdapterCopy : public ::testing::TestWithParam<CopyCase> {};

TEST_P(AdapterCopy, CopiesTheClampedRangeWithoutNul) {
    std::string target = GetParam().text;
    const Tools::StringRef ref(target);
    const Tools::ConstStringRef constRef(target);
    for (const Tools::IConstString* adapter : {static_cast<const Tools::IConstString*>(&ref),
                                               static_cast<const Tools::IConstString*>(&constRef)}) {
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        if (!GetParam().copied) {
            try {
                adapter->copy(buffer, GetParam().count, GetParam().position);
                FAIL() << "copy past the end did not throw";
            } catch (const std::out_of_range& error) {
                EXPECT_STREQ(error.what(), "invalid string position");
            }
            continue;
        }
        adapter->copy(buffer, GetParam().count, GetParam().position);
        const std::string copied = GetParam().copied;
        EXPECT_EQ(std::string(buffer, copied.size()), copied);
        EXPECT_EQ(buffer[copied.size()], '#');
    }
}

INSTANTIATE_TEST_SUITE_P(Ranges, AdapterCopy,
                         ::testing::Values(CopyCase{"abcd", 10, 1, "bcd"}, CopyCase{"abcd", 2, 1, "bc"},
                                           CopyCase{"abc", 5, 3, ""}, CopyCase{"abc", 1, 4, nullptr},
                                           CopyCase{"", 3, 0, ""}, CopyCase{"", 0, 1, nullptr}));

TEST(StringRef, AssignReplacesTheWholeTargetAndLastAssignWins) {
    std::string target = "previous content";
    Tools::StringRef ref(target);
    Tools::IString& text = ref;
    text.assign("x\0y\0", 4);
    EXPECT_EQ(target, std::string("x\0y\0", 4));
    text.assign("final", 5);
    EXPECT_EQ(target, "final");
    EXPECT_EQ(text.size(), 5u);
    EXPECT_EQ(text.data(), text.c_str());
    EXPECT_EQ(text.c_str(), target.c_str());
}

}  // namespace
