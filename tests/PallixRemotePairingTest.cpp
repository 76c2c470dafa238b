// Pairing a phone with the remote page, and the file of paired phones.

#include "PallixRemotePairing.h"
#include "PallixRemoteTokens.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
using Clock = PallixRemotePairing::Clock;
using Result = PallixRemotePairing::Result;
using namespace std::chrono_literals;

const Clock::time_point T0 = Clock::time_point() + std::chrono::hours(1);

// A PIN that is not the one showing.
std::string otherThan(const std::string& pin)
{
    return pin == "000000" ? "000001" : "000000";
}

// Strips the line of the given token from the file, as a viewer would.
void deleteLineOf(const TempDir& dir, const std::string& name, const std::string& token)
{
    std::string text = dir.read(name);
    size_t start = text.find(token);
    ASSERT_NE(start, std::string::npos);
    text.erase(start, text.find('\n', start) + 1 - start);
    dir.write(name, text);
}
} // namespace

TEST(PallixRemotePairingTest, TheRightPinPairsOnceWithinItsMinute)
{
    PallixRemotePairing pairing;
    EXPECT_EQ(pairing.Submit("123456", T0), Result::kNoPin);

    std::string pin;
    ASSERT_TRUE(pairing.Start(T0, pin));
    EXPECT_TRUE(PallixRemotePairing::IsWellFormedPin(pin)) << pin;
    EXPECT_EQ(pairing.GetPin(T0 + 59s), pin);
    // Asking again while it shows keeps the same PIN and its minute.
    std::string again;
    ASSERT_TRUE(pairing.Start(T0 + 30s, again));
    EXPECT_EQ(again, pin);
    EXPECT_EQ(pairing.GetPinExpiry(), T0 + 60s);

    EXPECT_EQ(pairing.Submit(pin, T0 + 59s), Result::kPaired);
    // A PIN pairs one phone only.
    EXPECT_EQ(pairing.Submit(pin, T0 + 59s), Result::kNoPin);
    EXPECT_EQ(pairing.GetPin(T0 + 59s), "");

    // A minute later it is gone, right or not.
    ASSERT_TRUE(pairing.Start(T0 + 100s, pin));
    EXPECT_EQ(pairing.GetPin(T0 + 160s), "");
    EXPECT_EQ(pairing.Submit(pin, T0 + 160s), Result::kNoPin);

    for (const char* bad : {"", "12345", "1234567", "12345a", " 12345", "１２３４５６"})
        EXPECT_FALSE(PallixRemotePairing::IsWellFormedPin(bad)) << bad;
}

TEST(PallixRemotePairingTest, FiveWrongPinsLockPairingForFiveMinutes)
{
    PallixRemotePairing pairing;
    std::string pin;
    ASSERT_TRUE(pairing.Start(T0, pin));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(pairing.Submit(otherThan(pin), T0 + 1s), Result::kWrongPin);
    // The count outlives the PIN: waiting for a new one does not buy more tries.
    ASSERT_TRUE(pairing.Start(T0 + 61s, pin));
    EXPECT_EQ(pairing.Submit(otherThan(pin), T0 + 62s), Result::kWrongPin);
    EXPECT_FALSE(pairing.IsLocked(T0 + 62s));
    EXPECT_EQ(pairing.Submit(otherThan(pin), T0 + 63s), Result::kLocked);

    // Locked: no PIN shows, none can be asked for, even the right one is refused.
    EXPECT_TRUE(pairing.IsLocked(T0 + 63s));
    EXPECT_EQ(pairing.GetLockedUntil(), T0 + 63s + 5min);
    EXPECT_EQ(pairing.GetPin(T0 + 63s), "");
    std::string refused;
    EXPECT_FALSE(pairing.Start(T0 + 4min, refused));
    EXPECT_EQ(pairing.Submit(pin, T0 + 4min), Result::kLocked);

    // Afterwards pairing works again, with five fresh tries.
    ASSERT_TRUE(pairing.Start(T0 + 63s + 5min, pin));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(pairing.Submit(otherThan(pin), T0 + 6min + 10s), Result::kWrongPin);
    // A right PIN starts the count again.
    EXPECT_EQ(pairing.Submit(pin, T0 + 6min + 10s), Result::kPaired);
    ASSERT_TRUE(pairing.Start(T0 + 7min, pin));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(pairing.Submit(otherThan(pin), T0 + 7min), Result::kWrongPin);
    EXPECT_EQ(pairing.Submit(pin, T0 + 7min), Result::kPaired);
}

TEST(PallixRemoteTokensTest, PairedPhonesAreKeptPrivatelyAndUnpairedByDeletingTheirLine)
{
    TempDir dir;
    PallixRemoteTokens tokens(dir.file("remote-tokens"));
    EXPECT_FALSE(tokens.Contains("0123456789abcdef0123456789abcdef"));

    const std::string first = tokens.Add("from 192.168.1.20 Phone\nBrowser");
    const std::string second = tokens.Add("from 192.168.1.21 Tablet");
    ASSERT_EQ(first.size(), 32u);
    ASSERT_EQ(second.size(), 32u);
    EXPECT_NE(first, second);
    EXPECT_EQ(first.find_first_not_of("0123456789abcdef"), std::string::npos);

    struct stat info = {};
    ASSERT_EQ(::stat(dir.file("remote-tokens").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string text = dir.read("remote-tokens");
    EXPECT_EQ(text.rfind("# ", 0), 0u);
    // One line a phone, whatever its description held.
    EXPECT_NE(text.find(first + " paired "), std::string::npos);
    EXPECT_NE(text.find("from 192.168.1.20 Phone Browser\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);

    EXPECT_TRUE(tokens.Contains(first));
    EXPECT_TRUE(tokens.Contains(second));
    for (const std::string& wrong : {std::string(), first.substr(1), first + "0", std::string(32, 'g'),
                                     std::string("0123456789abcdef0123456789abcdef"), first.substr(0, 31) + "\n"})
        EXPECT_FALSE(tokens.Contains(wrong)) << wrong;

    // Another reader of the file sees both; deleting a line unpairs that phone at once.
    PallixRemoteTokens reader(dir.file("remote-tokens"));
    EXPECT_TRUE(reader.Contains(first));
    deleteLineOf(dir, "remote-tokens", first);
    EXPECT_FALSE(tokens.Contains(first));
    EXPECT_TRUE(tokens.Contains(second));
    EXPECT_FALSE(reader.Contains(first));

    // Deleting the file unpairs every phone.
    ASSERT_EQ(::unlink(dir.file("remote-tokens").c_str()), 0);
    EXPECT_FALSE(tokens.Contains(second));

    // A file that cannot be written pairs nothing.
    PallixRemoteTokens nowhere(dir.file("missing/remote-tokens"));
    EXPECT_EQ(nowhere.Add("from nowhere"), "");
}
