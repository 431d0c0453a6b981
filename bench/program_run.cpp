#include "bench/program_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

ProgramRun SpawnProgram(std::vector<std::string> arguments, const std::string& folder) {
  ProgramRun run;
  int pipeEnds[2];
  if (arguments.empty() || pipe(pipeEnds) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  run.startedAt = MonotonicSeconds();
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  char buffer[4096];
  ssize_t n;
  while (spawned == 0 && (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
    run.errors.append(buffer, static_cast<size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  if (spawned == 0) waitpid(child, &status, 0);
  run.endedAt = MonotonicSeconds();
  run.ok = spawned == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}
