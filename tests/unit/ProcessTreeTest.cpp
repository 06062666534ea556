// Which processes an application started, from the kernel's process table.
#include <gmock/gmock.h>

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <QCoreApplication>

#include "platform/ProcessTree.h"
#include "platform/linux/shared/ProcStat.h"

using namespace quillet;

namespace {

ProcessTree::ParentOf table(const QMap<qint32, qint32>& parents) {
    return [parents](qint32 pid) {
        return parents.contains(pid) ? std::optional<qint32>(parents.value(pid)) : std::nullopt;
    };
}

TEST(ProcessTreeTest, DescendsThroughChildrenOnly) {
    // A browser (100), its page process (101), a sandboxed page (104 under 103 under 102), a
    // sibling program (200) started by the same session (10).
    const auto parentOf =
        table({{100, 10}, {101, 100}, {102, 100}, {103, 102}, {104, 103}, {200, 10}, {10, 1}, {201, 200}});
    EXPECT_TRUE(ProcessTree::descendsFrom(101, 100, parentOf));
    EXPECT_TRUE(ProcessTree::descendsFrom(104, 100, parentOf));
    EXPECT_TRUE(ProcessTree::descendsFrom(104, 103, parentOf));

    EXPECT_FALSE(ProcessTree::descendsFrom(100, 100, parentOf)) << "not its own child";
    EXPECT_FALSE(ProcessTree::descendsFrom(100, 101, parentOf)) << "a parent is no child";
    EXPECT_FALSE(ProcessTree::descendsFrom(201, 100, parentOf)) << "a sibling's child";
    EXPECT_FALSE(ProcessTree::descendsFrom(200, 100, parentOf));
    EXPECT_FALSE(ProcessTree::descendsFrom(101, 1, parentOf)) << "every process descends from the first";
    EXPECT_FALSE(ProcessTree::descendsFrom(999, 100, parentOf)) << "a process that is gone";
    EXPECT_FALSE(ProcessTree::descendsFrom(0, 100, parentOf));
    EXPECT_FALSE(ProcessTree::descendsFrom(101, 100, {}));
}

TEST(ProcessTreeTest, ALongOrLoopingChainEnds) {
    QMap<qint32, qint32> chain;
    for (qint32 pid = 500; pid < 520; ++pid)
        chain.insert(pid + 1, pid);
    EXPECT_TRUE(ProcessTree::descendsFrom(500 + ProcessTree::maxGenerations, 500, table(chain)));
    EXPECT_FALSE(ProcessTree::descendsFrom(501 + ProcessTree::maxGenerations, 500, table(chain)))
        << "too far down to be a page of it";
    // A table read while processes come and go may hold a loop: the walk still ends.
    EXPECT_FALSE(ProcessTree::descendsFrom(601, 100, table({{601, 602}, {602, 601}})));
    EXPECT_FALSE(ProcessTree::descendsFrom(601, 100, table({{601, 601}})));
}

TEST(ProcessTreeTest, ParentReadFromTheStatFile) {
    EXPECT_EQ(ProcStat::parentIn("4321 (WebKitWebProces) S 4300 4300 4300 0 -1 4194560 1 0"), 4300);
    // The command name is the program's to choose: spaces and parentheses in it move nothing.
    EXPECT_EQ(ProcStat::parentIn("77 (a) S 9 (b)) R 55 77 77 0 -1"), 55);
    EXPECT_EQ(ProcStat::parentIn("1 (init) S 0 1 1"), 0);
    EXPECT_EQ(ProcStat::parentIn(""), std::nullopt);
    EXPECT_EQ(ProcStat::parentIn("77 (cut) S"), std::nullopt);
    EXPECT_EQ(ProcStat::parentIn("77 (bad) S x 1"), std::nullopt);
    EXPECT_EQ(ProcStat::parentIn("77 bad) S 5 1"), std::nullopt);

    QTemporaryDir proc;
    ASSERT_TRUE(proc.isValid());
    ASSERT_TRUE(QDir(proc.path()).mkpath(QStringLiteral("4321")));
    QFile stat(proc.path() + QStringLiteral("/4321/stat"));
    ASSERT_TRUE(stat.open(QIODevice::WriteOnly));
    stat.write("4321 (WebKitWebProces) S 4300 4300 4300 0 -1 4194560 1 0\n");
    stat.close();
    EXPECT_EQ(ProcStat::parentOf(4321, proc.path()), 4300);
    EXPECT_EQ(ProcStat::parentOf(4322, proc.path()), std::nullopt) << "gone";
    EXPECT_EQ(ProcStat::parentOf(0, proc.path()), std::nullopt);
    // The real table: this test's own process was started by its parent.
    EXPECT_EQ(ProcStat::parentOf(qint32(QCoreApplication::applicationPid())), qint32(::getppid()));
}

}  // namespace
