// Input generation, the start state after a fill, and the paced result check.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include <wx/log.h>

#include "SortArray.h"
#include "SortSound.h"
#include "Trace.h"

namespace {

std::vector<int> Sorted(std::vector<int> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

std::map<int, int> Histogram(const std::vector<int>& v)
{
    std::map<int, int> h;
    for (int x : v) ++h[x];
    return h;
}

TEST(InputTypes, ListedInPositionOrder)
{
    wxArrayString list;
    list.Add("before");
    SortArray::ListInputTypes(list);
    ASSERT_EQ(list.size(), 7u);
    const char* expected[] = {"Random Shuffle", "Ascending", "Descending", "Shuffled Cubic",
                              "Shuffled Quintic", "Shuffled n-2 Equal"};
    for (size_t k = 0; k < 6; ++k) EXPECT_EQ(list[k + 1], expected[k]);
}

TEST(FillArray, ValuesOfEveryType)
{
    SortArray A;
    A.FillArray(1, 5);
    EXPECT_EQ(Values(A), (std::vector<int>{1, 2, 3, 4, 5}));
    A.FillArray(2, 5);
    EXPECT_EQ(Values(A), (std::vector<int>{5, 4, 3, 2, 1}));

    std::vector<int> one_to_100;
    for (int i = 1; i <= 100; ++i) one_to_100.push_back(i);
    A.FillArray(0, 100);
    EXPECT_EQ(Sorted(Values(A)), one_to_100);
    A.FillArray(6, 100); // unknown types fill like Random Shuffle
    EXPECT_EQ(Sorted(Values(A)), one_to_100);

    // before shuffling both hold one 1, four 2s and five 3s
    for (unsigned type : {3u, 4u}) {
        A.FillArray(type, 10);
        EXPECT_EQ(Histogram(Values(A)), (std::map<int, int>{{1, 1}, {2, 4}, {3, 5}})) << type;
    }

    // values 1 to 33, crowded around the middle
    for (unsigned type : {3u, 4u}) {
        A.FillArray(type, 100);
        const std::map<int, int> h = Histogram(Values(A));
        EXPECT_EQ(h.begin()->first, 1);
        EXPECT_EQ(h.rbegin()->first, 33);
        EXPECT_EQ(h.size(), type == 3 ? 33u : 29u);
        EXPECT_GT(h.at(17), h.at(2));
    }

    A.FillArray(5, 100);
    EXPECT_EQ(Histogram(Values(A)), (std::map<int, int>{{1, 1}, {51, 98}, {100, 1}}));
    A.FillArray(5, 2);
    EXPECT_EQ(Sorted(Values(A)), (std::vector<int>{1, 2}));
    A.FillArray(5, 1);
    EXPECT_EQ(Values(A), std::vector<int>{1});
}

TEST(FillArray, SizeZeroFillsOneItemOfValueOne)
{
    SortArray A;
    for (unsigned type = 0; type < 7; ++type) {
        A.FillArray(type, 0);
        EXPECT_EQ(Values(A), std::vector<int>{1}) << type;
        EXPECT_EQ(A.m_mark_colours.size(), 1u);
    }
}

TEST(FillArray, ShufflesDifferentlyEachTime)
{
    // two fills of 100 items agreeing by chance: about 1 in 100!
    SortArray A;
    A.FillArray(0, 100);
    const std::vector<int> first = Values(A);
    A.FillArray(0, 100);
    EXPECT_NE(Values(A), first);
    std::vector<int> ascending = Sorted(first);
    EXPECT_NE(first, ascending);
}

TEST(FillArray, ShuffleIsUniform)
{
    // every value reaches every position of a 4-item array about equally often
    SortArray A;
    int counts[4][4] = {};
    const int rounds = 4000;
    for (int r = 0; r < rounds; ++r) {
        A.FillArray(0, 4);
        for (int p = 0; p < 4; ++p) ++counts[p][A.m_array[p].raw() - 1];
    }
    for (int p = 0; p < 4; ++p)
        for (int v = 0; v < 4; ++v) {
            EXPECT_GT(counts[p][v], rounds / 4 - 150) << p << "," << v;
            EXPECT_LT(counts[p][v], rounds / 4 + 150) << p << "," << v;
        }
}

TEST(FillArray, LeavesTheStartState)
{
    SortArray A;
    A.FillArray(2, 10);
    A.swap(0, 9);
    A.mark(3, COLOUR_SORTED);
    Watched<uint64_t> w = 1;
    A.watch(&w, COLOUR_POINTER);
    A.m_sorted_ok = true;
    A.ToggleInversions();

    A.FillArray(2, 10);
    EXPECT_EQ(g_access_count, 0u);
    EXPECT_EQ(g_comparison_count, 0u);
    EXPECT_FALSE(A.m_sorted_ok);
    EXPECT_TRUE(A.m_inversions_on);
    EXPECT_EQ(A.m_inversion_count, 45);
    EXPECT_EQ(A.m_max_value, 10);
    EXPECT_EQ(Marks(A), std::vector<int>(10, 0));
    EXPECT_TRUE(A.m_highlights.empty());
    EXPECT_TRUE(A.m_watched.empty());
    EXPECT_EQ(A.m_latest.index, AccessRecord::NONE);
    EXPECT_EQ(A.m_partner.index, AccessRecord::NONE);

    A.FillArray(1, 10);
    EXPECT_EQ(A.m_inversion_count, 0);
}

// ---------------------------------------------------------------------------
// CheckSorted

// Collects the error messages logged while it lives.
class LogCapture : public wxLog
{
public:
    LogCapture() : m_previous(wxLog::SetActiveTarget(this)) {}
    ~LogCapture() override { wxLog::SetActiveTarget(m_previous); }
    std::vector<wxString> errors;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&) override
    {
        if (level == wxLOG_Error) errors.push_back(msg);
    }

private:
    wxLog* m_previous;
};

TEST(CheckSorted, WalksPacedUncountedMarksGreenAndClearsAfterwards)
{
    SortArray A;
    SetValues(A, {1, 2, 2, 5});
    A.mark(2, COLOUR_EQUAL_TO_PIVOT);
    g_pending_accesses.clear();
    g_sound_on = true;

    struct MarkProbe : SortDelay {
        SortArray* a;
        std::vector<std::vector<int>> marks;
        void Pace() override { marks.push_back(Marks(*a)); }
    } probe;
    probe.a = &A;
    A.m_pacer = &probe;
    LogCapture log;

    EXPECT_TRUE(A.CheckSorted());
    A.m_pacer = nullptr;
    g_sound_on = false;

    EXPECT_TRUE(A.m_sorted_ok);
    EXPECT_TRUE(log.errors.empty());
    EXPECT_EQ(g_access_count, 0u);
    EXPECT_EQ(g_comparison_count, 0u);
    // each pace sees the items confirmed so far (the earlier mark is gone)
    EXPECT_EQ(probe.marks, (std::vector<std::vector<int>>{
                               {0, 0, 0, 0}, {2, 0, 0, 0}, {2, 2, 0, 0}, {2, 2, 2, 0}}));
    EXPECT_EQ(Marks(A), std::vector<int>(4, 0));
    // neighbours sounded in pairs, previous first, like comparisons
    EXPECT_EQ(g_pending_accesses, (std::vector<uint32_t>{1, 2, 2, 2, 2, 5}));
    g_pending_accesses.clear();
}

TEST(CheckSorted, ReportsTheFirstItemOutOfOrder)
{
    SortArray A;
    SetValues(A, {1, 3, 2});
    TraceRecorder trace(A);
    LogCapture log;

    EXPECT_FALSE(A.CheckSorted());
    EXPECT_FALSE(A.m_sorted_ok);
    EXPECT_EQ(trace.str(), "n0 n1 n2");
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0], "Result of sorting algorithm is incorrect!");
    EXPECT_EQ(Marks(A), std::vector<int>(3, 0));
    EXPECT_TRUE(A.m_highlights.empty());
}

TEST(CheckSorted, OneItemIsSortedAfterOnePacedRead)
{
    SortArray A;
    A.FillArray(0, 1);
    TraceRecorder trace(A);
    EXPECT_TRUE(A.CheckSorted());
    EXPECT_EQ(trace.str(), "n0");
}

TEST(CheckSorted, RecountsInversionsFirst)
{
    SortArray A;
    SetValues(A, {2, 1, 3});
    A.m_array[0] = SortItem(4); // written behind the array's back
    LogCapture log;
    A.CheckSorted();
    EXPECT_EQ(A.m_inversion_count, 2);
    A.ToggleInversions();
    A.CheckSorted();
    EXPECT_EQ(A.m_inversion_count, -1);
}

} // namespace
