#include <gtest/gtest.h>

#include "platform/coordinator_calls.h"
#include "platform/errors.h"
#include "support/message_box_recorder.h"
#include "support/scripted_coordinator.h"

using namespace trunaccount;
using namespace trunaccount::platform;
using trunaccount::testing::MessageBoxRecorder;
using trunaccount::testing::ScriptedCoordinator;

TEST(ReportError, JoinsLinesAndStandsInForMissingOnes) {
    struct Case {
        const char* name;
        Variant error;
        std::string prefix;
        std::string text;
    } cases[] = {
        {"two lines", ScriptedCoordinator::errorLines({"a", "b"}), "", "a\r\nb"},
        {"empty array", Variant(Variant::Array{}), "", ""},
        {"plain text", Variant("a"), "", "未知错误！"},
        {"empty variant", Variant(), "", "未知错误！"},
        {"prefix", ScriptedCoordinator::errorLines({"a"}), "保存失败", "保存失败\r\na"},
        {"prefix, empty array", Variant(Variant::Array{}), "P", "P"},
        {"null line after a good one", Variant(Variant::Array{Variant("a"), Variant::null(), Variant("c")}), "",
         "a\r\n未知错误！"},
        {"numbers have a text form", Variant(Variant::Array{Variant(42)}), "", "42"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReportError(nullptr, c.error, c.prefix), c.text) << c.name;
}

TEST(ReportError, ShowsTheTextOnlyWithAnOwner) {
    MessageBoxRecorder boxes;
    int owner = 0;
    ReportError(nullptr, ScriptedCoordinator::errorLines({"x"}), "");
    EXPECT_TRUE(boxes.shown().empty());
    ReportError(&owner, ScriptedCoordinator::errorLines({"x", "y"}), "");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].owner, &owner);
    EXPECT_EQ(boxes.shown()[0].text, "x\r\ny");
    EXPECT_EQ(boxes.shown()[0].caption, "错误");
    EXPECT_EQ(boxes.shown()[0].icon(), MB_ICONERROR);
    EXPECT_EQ(boxes.shown()[0].buttons(), MB_OK);
}

TEST(CoordinatorCalls, ArgumentsGoInAndComeBackByReference) {
    ScriptedCoordinator* sc = nullptr;
    auto ref = ScriptedCoordinator::create(&sc);
    sc->onQueryData = [](const std::string& sql, Variant& data) {
        data = Variant(ScriptedCoordinator::textPacket({"sql"}, {{sql}}));
        return true;
    };
    sc->onGetOperatorName = [](std::int32_t kind, Variant& v) {
        v = Variant(ScriptedCoordinator::textPacket({"f_zymc"}, {{"张三:" + v.toText() + ":" + std::to_string(kind)}}));
        return true;
    };
    sc->onExecBatch = [](Variant& v) {
        v = ScriptedCoordinator::errorLines({"statement 1 failed"});
        return false;
    };
    sc->onGetDbType = [] { return Variant("SQLITE"); };

    Variant data;
    ASSERT_TRUE(QueryData(*ref, "select 1", data));
    EXPECT_EQ(data.asPacket()->text(0, 0), "select 1");

    Variant op("0001");
    ASSERT_TRUE(GetOperatorName(*ref, 1, op));
    EXPECT_EQ(op.asPacket()->text(0, 0), "张三:0001:1");

    Variant batch(Variant::Array{Variant("update x set a=1;")});
    EXPECT_FALSE(ExecBatch(*ref, batch));
    EXPECT_EQ(ReportError(nullptr, batch, ""), "statement 1 failed");

    EXPECT_EQ(GetDbType(*ref), Variant("SQLITE"));

    Variant unscripted;
    EXPECT_FALSE(GetServerDate(*ref, unscripted));
    EXPECT_EQ(ReportError(nullptr, unscripted, ""), "GetServerDate not scripted");

    EXPECT_EQ(sc->ops(), (std::vector<CoordinatorOp>{CoordinatorOp::QueryData, CoordinatorOp::GetOperatorName,
                                                     CoordinatorOp::ExecBatch, CoordinatorOp::GetDbType,
                                                     CoordinatorOp::GetServerDate}));
}

TEST(CoordinatorCalls, DispatchFailuresRaiseErrors) {
    ScriptedCoordinator* sc = nullptr;
    auto ref = ScriptedCoordinator::create(&sc);
    // GetDbType throws inside the coordinator when not scripted: a dispatch-level failure.
    EXPECT_THROW(GetDbType(*ref), DispatchError);

    Variant result;
    std::string err;
    Variant one[1];
    EXPECT_EQ(ref->Invoke(12345, one, result, err), DispatchStatus::UnknownMember);
    EXPECT_EQ(ref->Invoke(static_cast<int>(CoordinatorOp::QueryData), one, result, err),
              DispatchStatus::BadArgumentCount);
    try {
        invokeCoordinator(*ref, CoordinatorOp::QueryData, one);
        FAIL();
    } catch (const DispatchError& e) {
        EXPECT_NE(std::string(e.what()).find("QueryData"), std::string::npos);
    }
}

TEST(CoordinatorRef, CountsReferences) {
    ScriptedCoordinator* sc = nullptr;
    auto a = ScriptedCoordinator::create(&sc);
    EXPECT_EQ(sc->refCount(), 1u);
    {
        CoordinatorRef b = a;
        EXPECT_EQ(sc->refCount(), 2u);
        CoordinatorRef c;
        c = b;
        EXPECT_EQ(sc->refCount(), 3u);
        c = CoordinatorRef();  // assigning another releases the old one
        EXPECT_EQ(sc->refCount(), 2u);
    }
    EXPECT_EQ(sc->refCount(), 1u);
}

TEST(MessageBox, WithNoOneToAskTheAnswerIsTheDefaultButtons) {
    const auto previous = setMessageBoxHandler(nullptr);
    const struct {
        unsigned flags;
        int answer;
    } cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, IDCANCEL},  // a question that would throw work away
        {MB_YESNO, IDYES},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE},
        {MB_OK | MB_DEFBUTTON3, IDOK},  // no such button: the last there is
    };
    for (const auto& c : cases) EXPECT_EQ(messageBox(nullptr, "x", "y", c.flags), c.answer) << c.flags;
    setMessageBoxHandler(previous);
}
