// Two processes installing on the same endpoints at the same moment (the
// panel's set-up and the service's plug handling): whichever runs second must
// find the endpoint installed, never back up the other's half-done work.
#include <sys/wait.h>
#include <unistd.h>

#include "apo_fixture.h"

namespace oro::test {
namespace {

namespace apo = common::apo;
using tools::sim::kDongleRender;
using tools::sim::kOnboardRender;

constexpr int kRounds = 100;

class ApoInstallRace : public ApoTestBase {
 protected:
  // A child that waits for the start signal, installs on every endpoint and exits.
  pid_t StartInstaller(int start_fd) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    char go = 0;
    if (read(start_fd, &go, 1) != 1) _exit(3);
    platform::Platform p = platform::MakePlatform(platform::Profile::kSim, platform_.paths);
    common::RegistryAccess reg(*p.registry, p.system.get());
    common::ApoEnvironment env;
    env.reg = &reg;
    env.objects = p.objects.get();
    const int changed = common::InstallOnAllEndpoints(env, true);
    _exit(changed >= 0 ? 0 : 1);
  }
};

TEST_F(ApoInstallRace, BackupsAlwaysHoldTheOriginalValues) {
  MakeMachine(0x000A0000);
  const ValueMap onboard_before = Dump(*reg_, Fx(kOnboardRender));
  const ValueMap dongle_before = Dump(*reg_, Fx(kDongleRender));
  common::ApoEnvironment remover;
  remover.reg = reg_.get();
  remover.objects = platform_.objects.get();
  for (int round = 0; round < kRounds; ++round) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t a = StartInstaller(fds[0]);
    const pid_t b = StartInstaller(fds[0]);
    ASSERT_EQ(write(fds[1], "gg", 2), 2);
    close(fds[0]);
    close(fds[1]);
    int status_a = 0, status_b = 0;
    waitpid(a, &status_a, 0);
    waitpid(b, &status_b, 0);
    ASSERT_TRUE(WIFEXITED(status_a) && WEXITSTATUS(status_a) == 0) << "round " << round;
    ASSERT_TRUE(WIFEXITED(status_b) && WEXITSTATUS(status_b) == 0) << "round " << round;

    const ValueMap backup = Dump(*reg_, Backup(kOnboardRender));
    ASSERT_EQ(backup.at(apo::kSlotNames[apo::kStream]), onboard_before.at(apo::kSlotNames[apo::kStream]))
        << "round " << round;
    ASSERT_EQ(backup.at(apo::kSlotNames[apo::kEndpoint]), onboard_before.at(apo::kSlotNames[apo::kEndpoint]));
    ASSERT_EQ(Dump(*reg_, Backup(kDongleRender)).at(apo::kSlotNames[apo::kPreMix]),
              dongle_before.at(apo::kSlotNames[apo::kPreMix]));

    ASSERT_EQ(common::InstallOnAllEndpoints(remover, false), 6) << "round " << round;
    ASSERT_EQ(Dump(*reg_, Fx(kDongleRender)).at(apo::kSlotNames[apo::kPreMix]),
              dongle_before.at(apo::kSlotNames[apo::kPreMix]));
  }
}

}  // namespace
}  // namespace oro::test
