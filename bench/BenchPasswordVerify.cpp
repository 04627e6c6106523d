// Time of one parent-password check: PBKDF2-HMAC-SHA256 with 120000 rounds on the calling
// thread, which is the wait a parent sees after pressing "确认".
#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MemoryUserDefaults defaults;
    MemorySecureStore keychain;
    ParentalPasswordStore store(std::make_unique<ParentalPasswordRepository>(), keychain, defaults);
    store.setupPassword(u"家长密码-2026"_s);

    constexpr int runs = 7;
    std::vector<double> millis;
    int matches = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        matches += store.verify(i % 2 == 0 ? u"家长密码-2026"_s : u"wrong"_s) ? 1 : 0;
        millis.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(millis.begin(), millis.end());
    std::printf(
        "verify (PBKDF2-HMAC-SHA256, %d rounds): median %.1f ms, min %.1f ms, max %.1f ms over %d runs "
        "(%d matched)\n",
        ParentalPasswordStore::rounds, millis[runs / 2], millis.front(), millis.back(), runs, matches);
    return 0;
}
