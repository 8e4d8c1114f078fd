// A second program for the lock tests: claims the unit whose key it is given in
// the lock folder it is given, says "held", and keeps the claim until it is
// killed or its input ends.
#include "ui/common/UnitLocks.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 1;
    CUnitLocks locks(QString::fromLocal8Bit(argv[1]));
    UnitHolder holder;
    if (!locks.Claim(argv[2], holder)) {
        std::printf("refused by %lld\n", static_cast<long long>(holder.processId));
        return 2;
    }
    std::printf("held\n");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}
