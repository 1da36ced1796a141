// phreatix-cli: the Phreatix workflow without windows, for unattended and
// scripted runs. Parses the arguments with CLI11 (`phreatix-cli --help` shows
// them all) and calls the command (commands.cpp). Session commands (open, run,
// repair, demo) work in a working directory and write Phreatix.log however
// they end.
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "input/calendar.h"
#include "platform/directory_lock.h"
#include "platform/files.h"
#include "settings/session_settings.h"
#include "settings/settings_table.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace {

using namespace phreatix;
using namespace phreatix::cli;

constexpr const char* kExitStatusHelp =
    "Exit status: 0 after a normal end; 1 when the command could not do its work (a refused\n"
    "file, wrong arguments, no tube got a model); 2 after a fatal stop caused by an input\n"
    "error (no kron.txt, a data set relative to NAP, ...), the exit lines then on standard\n"
    "error and in Phreatix.log; 3 (bezig) when another program holds the directory\n"
    "(.phreatix-lock), nothing done; 4 when the work is done but the report or the packing\n"
    "of a tube failed, nothing lost, the reason on standard error.";

// A check that keeps our own wording of a bad value; "" accepts it.
CLI::Validator textCheck(std::function<std::string(const std::string&)> check) {
  return CLI::Validator([check](std::string& value) { return check(value); }, "");
}

// "YYYY-MM-DD" of --from and --to.
bool parseIsoDate(const std::string& text, CalendarDate& date) {
  return text.size() == 10 && text[4] == '-' && text[7] == '-' &&
         parseInt(std::string_view(text).substr(0, 4), date.year) &&
         parseInt(std::string_view(text).substr(5, 2), date.month) &&
         parseInt(std::string_view(text).substr(8, 2), date.day) && date.month >= 1 &&
         date.month <= 12 && date.day >= 1 && date.day <= daysInMonth(date.month, date.year);
}

// --jobs of run, repair and demo, kept as text and read as a decimal number
// (CLI11's own conversion reads "010" as octal eight); the default is one
// worker per core.
CLI::Option* addJobsOption(CLI::App& app, std::string& jobs) {
  jobs = formatInt(static_cast<long long>(std::max(1u, std::thread::hardware_concurrency())));
  return app
      .add_option("--jobs", jobs,
                  "up to N tubes at once: engine runs, post-processings and\n"
                  "archivers, each worker on its own tube; every file is the same\n"
                  "as with --jobs 1 (default: the number of cores)")
      ->type_name("N")
      ->capture_default_str()
      ->check(textCheck([](const std::string& value) {
        int n = 0;
        return parseInt(value, n) && n >= 1
                   ? ""
                   : "needs a whole number of workers, at least 1, got " + value;
      }));
}

// The value of --jobs, checked while parsing.
int jobsOf(const std::string& jobs) {
  int n = 1;
  parseInt(jobs, n);
  return n;
}

// The settings options, from the settings table, of run, repair, demo and
// cluster prepare: kept as typed in `fields` with the window's text as
// default; a choice is refused while parsing, the numbers by the field
// checks after it (checkSettings). Each option is added to `options`.
void addSettingsOptions(CLI::App& app, DetailFields& fields, std::vector<CLI::Option*>& options) {
  for (const DetailField* row : optionOrder()) {
    CLI::Option* option = app.add_option(row->flag, fields.*row->text, row->help)
                              ->type_name(row->valueName)
                              ->capture_default_str();
    if (isChoice(*row)) {
      option->check(textCheck(
          [row](const std::string& value) { return checkDetailField(*row, value).message; }));
    }
    options.push_back(option);
  }
}

// The settings as a run takes them, beyond single options. Prints the
// refusal; false then.
bool checkSettings(const CLI::App& app, const DetailFields& fields) {
  // A start year alone would silently keep the default end year and run a
  // shorter (or no) period than the one meant.
  if (app.count(findDetailField("edtSTARTJAAR")->flag) > 0 &&
      app.count(findDetailField("edtEINDJAAR")->flag) == 0) {
    std::cerr << "phreatix-cli: --start-year " << fields.startYear
              << " zonder --end-year: geef ook het eindjaar van de simulatieperiode\n";
    return false;
  }
  const std::string refusal = checkWorkflowFields(fields);
  if (!refusal.empty()) {
    std::cerr << "phreatix-cli: " << refusal << '\n';
    return false;
  }
  return true;
}

// run and repair: the same options, kept as typed; the detail settings'
// field checks judge them after parsing, with their own texts.
struct RunCommand {
  CLI::App* app = nullptr;
  RunArguments arguments;
  std::string jobs;
  std::vector<CLI::Option*> settings;  // what a cluster task's run is given as typed
};

// The settings options of run and repair, also those cluster prepare hands
// to the tasks (`forTasks`: no --workdir, --jobs or --more-tubes-follow, which
// the tasks set themselves).
void addRunOptions(RunCommand& command, bool forTasks = false) {
  CLI::App& app = *command.app;
  RunArguments& a = command.arguments;
  DetailFields& f = a.input.fields;
  app.add_option("--data", a.input.dataFiles,
                 "a DINO or OLGA export; repeated, several exports make one data set")
      ->type_name("FILE")
      ->required()
      ->allow_extra_args(false);
  app.add_option("--coupling", a.input.couplingFile,
                 "the coupling file: per line a tube and its meteo file")
      ->type_name("FILE")
      ->required();
  addSettingsOptions(app, f, command.settings);
  if (!forTasks) {
    app.add_option("--workdir", a.workDir, "working directory (default: the current directory)")
        ->type_name("DIR");
  }
  command.settings.push_back(app.add_flag(
      "--no-pack", [&a](std::int64_t) { a.pack = false; },
      "leave every file in place (default: pack each tube into\n"
      "<tube>.zip and clean up)"));
  if (forTasks) return;
  addJobsOption(app, command.jobs);
  app.add_flag("--more-tubes-follow", a.input.moreTubesFollow,
               "this data set is a cluster task before the study's last: its last\n"
               "tube is written as any other (set by cluster prepare)");
  app.add_option("--phase-file", a.phaseFile,
                 "write where each phase's lines begin in the session log to FILE in\n"
                 "the working directory (for cluster merge; set by cluster prepare)")
      ->type_name("FILE")
      ->check(textCheck([](const std::string& value) {
        return isBareFileName(value) ? ""
                                     : "needs a file name in the working directory, got " + value;
      }));
}

// The settings options given on the command line, as typed, for a task's run.
std::vector<std::string> givenSettings(const RunCommand& command) {
  std::vector<std::string> options;
  for (const CLI::Option* option : command.settings) {
    if (option->count() == 0) continue;
    options.push_back(option->get_name());
    if (option->get_expected_max() != 0) {  // not a flag
      for (const std::string& value : option->results()) options.push_back(value);
    }
  }
  return options;
}

// The argument rules beyond single options. Prints the refusal; false then.
bool checkRunArguments(RunCommand& command) {
  command.arguments.jobs = jobsOf(command.jobs);
  return checkSettings(*command.app, command.arguments.input.fields);
}

// A parse error on standard error, with where to find the usage.
ExitStatus reportParseError(const CLI::App& app, const CLI::ParseError& e) {
  std::string message = e.what();
  const std::vector<CLI::App*> given = app.get_subcommands();
  const std::vector<std::string> extra = app.remaining(true);  // in the order given
  if (given.empty() && extra.empty() && dynamic_cast<const CLI::RequiredError*>(&e) != nullptr) {
    message = "no command given";
  } else if (given.empty() && !extra.empty()) {
    message =
        (extra.front().rfind('-', 0) == 0 ? "unknown option " : "unknown command ") + extra.front();
  } else if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr && !extra.empty()) {
    // CLI11 2.1 lists them back to front.
    message = extra.size() == 1 ? "The following argument was not expected:"
                                : "The following arguments were not expected:";
    for (const std::string& argument : extra) message += " " + argument;
  }
  const std::string helpCommand = given.empty()
                                      ? "phreatix-cli --help"
                                      : "phreatix-cli " + given.front()->get_name() + " --help";
  std::cerr << "phreatix-cli: " << message << "\n"
            << "Run " << helpCommand << " for the usage.\n";
  return ExitStatus::kRefused;
}

// One command of phreatix-cli: its subcommand with the options it parses
// into, and what runs once it was the one given.
struct Command {
  CLI::App* app;
  std::function<ExitStatus()> run;
};
using Commands = std::vector<Command>;

// Each of these adds its command (or commands) to `parent`, in the order
// --help lists them; the arguments live as long as the command's run.

void addOpen(CLI::App& parent, Commands& commands) {
  auto files = std::make_shared<std::vector<std::string>>();
  CLI::App* app = parent.add_subcommand(
      "open",
      "open DINO (.csv, also today's DINOloket layouts) or OLGA (.dat) exports in the current\n"
      "directory, several as one data set: convert them (olga.tmp), read kron.txt, print the\n"
      "messages and the disk-space estimate");
  app->add_option("FILE", *files, "an export")->type_name("")->required();
  commands.push_back({app, [files] { return commandOpen(*files); }});
}

void addSplit(CLI::App& parent, Commands& commands) {
  auto split = std::make_shared<SplitArguments>();
  CLI::App* app = parent.add_subcommand(
      "split",
      "split a DINO export into sessions of N MB (60 MB a tube) next to it: FILE-sessie1.csv,\n"
      "..., and the removed tubes in FILE-verwijderd.csv");
  app->add_option("FILE", split->file, "the DINO export (.csv)")->type_name("")->required();
  app->add_option("--mb", split->megabytes, "megabytes a session, 61 up to the free space")
      ->type_name("N")
      ->required();
  app->add_option("--remove", split->removeCodes, "tubes to leave out (default: none)")
      ->type_name("CODE");
  commands.push_back({app, [split] { return commandSplit(*split); }});
}

void addMeteo(CLI::App& parent, Commands& commands) {
  struct Arguments {
    MeteoArguments meteo;
    std::string from, to;
  };
  auto a = std::make_shared<Arguments>();
  CLI::App* app = parent.add_subcommand(
      "meteo",
      "convert KNMI daily values (RH or RD, and EV24 of the same file or of EVAPORATION-FILE)\n"
      "into a meteo file of the longest period without a gap; print what it wrote and what it\n"
      "left out");
  app->add_option("KNMI-FILE", a->meteo.knmiFile, "KNMI daily values")->type_name("")->required();
  app->add_option("EVAPORATION-FILE", a->meteo.evaporationFile,
                  "KNMI daily values with EV24 (default: EV24 of KNMI-FILE)")
      ->type_name("");
  app->add_option("-o", a->meteo.out, "the meteo file to write")->type_name("OUT")->required();
  const CLI::Validator isoDate = textCheck([](const std::string& value) {
    CalendarDate date;
    return parseIsoDate(value, date) ? "" : "needs a date YYYY-MM-DD, got " + value;
  });
  app->add_option("--from", a->from, "first day to convert (default: no limit)")
      ->type_name("YYYY-MM-DD")
      ->check(isoDate);
  app->add_option("--to", a->to, "last day to convert (default: no limit)")
      ->type_name("YYYY-MM-DD")
      ->check(isoDate);
  commands.push_back({app, [a] {
                        // Both checked by isoDate.
                        if (!a->from.empty()) parseIsoDate(a->from, a->meteo.period.from.emplace());
                        if (!a->to.empty()) parseIsoDate(a->to, a->meteo.period.to.emplace());
                        return commandMeteo(a->meteo);
                      }});
}

void addKron(CLI::App& parent, Commands& commands) {
  auto force = std::make_shared<bool>(false);
  CLI::App* app = parent.add_subcommand(
      "kron", "write kron.txt with the built-in day numbers 1948-01-01 .. 2047-12-31");
  app->add_flag("--force", *force,
                "replace an existing kron.txt (default: refuse to overwrite it)");
  commands.push_back({app, [force] { return commandKron(*force); }});
}

void addEngine(CLI::App& parent, Commands& commands) {
  // Kept as text and read as a decimal number: CLI11's own conversion reads
  // "010" as octal eight.
  auto maxIter = std::make_shared<std::string>(formatInt(SessionSettings().MAXITER));
  CLI::App* app = parent.add_subcommand(
      "engine",
      "one engine run on zeftal0.par in the current directory (exit 0 when its marker was\n"
      "written)");
  app->add_option("--maxiter", *maxIter, "iteration limit of the simplex search")
      ->type_name("N")
      ->capture_default_str()
      ->check(textCheck([](const std::string& value) {
        int n = 0;
        return parseInt(value, n) && n >= 0 ? ""
                                            : "needs a whole number of iterations, got " + value;
      }));
  commands.push_back({app, [maxIter] {
                        int n = 0;
                        parseInt(*maxIter, n);  // checked while parsing
                        return commandEngine(n);
                      }});
}

void addPost(CLI::App& parent, Commands& commands) {
  CLI::App* app = parent.add_subcommand(
      "post",
      "post-process every *.u01 in the current directory with its .inp (exit 1 when a tube\n"
      "failed)");
  commands.push_back({app, [] { return commandPost(); }});
}

// run and repair: the same options, the mode apart.
void addRunCommand(CLI::App& parent, Commands& commands, const char* name, const char* what,
                   WorkflowMode mode) {
  auto command = std::make_shared<RunCommand>();
  command->arguments.mode = mode;
  command->app = parent.add_subcommand(name, what);
  addRunOptions(*command);
  commands.push_back({command->app, [command] {
                        return checkRunArguments(*command) ? commandRun(command->arguments)
                                                           : ExitStatus::kRefused;
                      }});
}

void addRun(CLI::App& parent, Commands& commands) {
  addRunCommand(
      parent, commands, "run",
      "the whole main job: open, couple, check the meteo files, calibrate, select, simulate,\n"
      "trace and post-process, then pack every tube into its zip archive",
      WorkflowMode::kPipeline);
}

void addRepair(CLI::App& parent, Commands& commands) {
  addRunCommand(
      parent, commands, "repair",
      "open and couple as run does, then the simulation phase on the calibrations in the\n"
      "working directory (after a crash), then pack",
      WorkflowMode::kRepair);
}

void addDemo(CLI::App& parent, Commands& commands) {
  struct Arguments {
    std::string dir;
    bool noPack = false;
    std::string jobs;
    DetailFields fields;
    std::vector<CLI::Option*> settings;
  };
  auto a = std::make_shared<Arguments>();
  CLI::App* app = parent.add_subcommand(
      "demo", "write a generated demo data set into DIR and run the whole main job on it");
  app->add_option("DIR", a->dir,
                  "where to write it (default: a new folder phreatix-demo,\n"
                  "phreatix-demo-2, ...)")
      ->type_name("");
  addSettingsOptions(*app, a->fields, a->settings);
  app->add_flag("--no-pack", a->noPack, "leave every file in place (default: pack)");
  addJobsOption(*app, a->jobs);
  commands.push_back({app, [a, app] {
                        if (!checkSettings(*app, a->fields)) return ExitStatus::kRefused;
                        return commandDemo(a->dir, !a->noPack, jobsOf(a->jobs), a->fields);
                      }});
}

// cluster prepare, submit, status and merge under one command.
void addCluster(CLI::App& parent, Commands& commands) {
  CLI::App* cluster = parent.add_subcommand(
      "cluster",
      "a study as a Slurm job array: prepare tasks of whole locations, submit them,\n"
      "follow their status and merge the finished ones");
  cluster->require_subcommand(1);

  struct Prepare {
    RunCommand command;
    ClusterArguments cluster;
    std::string tubesPerTask = "50", cpusPerTask = "1";
  };
  auto prepare = std::make_shared<Prepare>();
  prepare->command.app = cluster->add_subcommand(
      "prepare",
      "cut the data set of DIR (exports, coupling file, meteo files, kron.txt) into\n"
      "tasks of about K tubes of whole locations under DIR/taken, each with its run.sh,\n"
      "and write the job array's batch script DIR/phreatix.sbatch");
  CLI::App* app = prepare->command.app;
  app->add_option("DIR", prepare->cluster.dir, "the study directory")->required();
  addRunOptions(prepare->command, true);
  auto wholeNumber = [](const char* what) {
    return textCheck([what](const std::string& value) {
      int n = 0;
      return parseInt(value, n) && n >= 1
                 ? ""
                 : std::string("needs a whole number of ") + what + ", at least 1, got " + value;
    });
  };
  app->add_option("--tubes-per-task", prepare->tubesPerTask, "tubes per task, about")
      ->type_name("K")
      ->capture_default_str()
      ->check(wholeNumber("tubes"));
  app->add_option("--cpus-per-task", prepare->cpusPerTask,
                  "CPUs Slurm gives each task; its run takes as many workers")
      ->type_name("C")
      ->capture_default_str()
      ->check(wholeNumber("CPUs"));
  commands.push_back({app, [prepare] {
                        if (!checkRunArguments(prepare->command)) return ExitStatus::kRefused;
                        ClusterArguments& cluster = prepare->cluster;
                        cluster.input = prepare->command.arguments.input;
                        cluster.options = givenSettings(prepare->command);
                        parseInt(prepare->tubesPerTask, cluster.tubesPerTask);
                        parseInt(prepare->cpusPerTask, cluster.cpusPerTask);
                        return commandClusterPrepare(cluster);
                      }});

  struct Study {
    std::string dir;
    bool onlyFailed = false;
  };
  auto study = std::make_shared<Study>();
  CLI::App* submit = cluster->add_subcommand(
      "submit",
      "submit the job array with sbatch and print the job id; every task submitted\n"
      "starts again from its prepared inputs");
  submit->add_option("DIR", study->dir, "the study directory")->required();
  submit->add_flag("--only-failed", study->onlyFailed,
                   "only the tasks that have not finished (failed or missing)");
  commands.push_back(
      {submit, [study] { return commandClusterSubmit(study->dir, study->onlyFailed); }});
  CLI::App* status = cluster->add_subcommand(
      "status",
      "which tasks finished, failed or are missing, judged from their own files, every\n"
      "zip checked against zipinhoud.txt (exit 0 when every task has finished)");
  status->add_option("DIR", study->dir, "the study directory")->required();
  commands.push_back({status, [study] { return commandClusterStatus(study->dir); }});
  CLI::App* merge = cluster->add_subcommand(
      "merge",
      "gather the finished tasks into DIR: the zips, zipinhoud.txt, modsel.zft,\n"
      "foutbuis.zft, the log and the report over all tubes; refused while a task has\n"
      "not finished (exit 1); exit 4 when all is gathered but the report or the log\n"
      "could not be written");
  merge->add_option("DIR", study->dir, "the study directory")->required();
  commands.push_back({merge, [study] { return commandClusterMerge(study->dir); }});
}

void addReport(CLI::App& parent, Commands& commands) {
  auto dir = std::make_shared<std::string>();
  CLI::App* app = parent.add_subcommand(
      "report",
      "write rapport.html (with rapport/), overzicht.csv and overzicht.gpkg for a finished\n"
      "working directory, packed or not, and print the table of its tubes");
  app->add_option("DIR", *dir, "the working directory (default: the current one)")->type_name("");
  commands.push_back({app, [dir] { return commandReport(*dir); }});
}

// The commands in the order --help lists them.
constexpr void (*kCommands[])(CLI::App&, Commands&) = {
    addOpen, addSplit,  addMeteo, addKron,    addEngine, addPost,
    addRun,  addRepair, addDemo,  addCluster, addReport,
};

ExitStatus parseAndRun(int argc, char** argv) {
  CLI::App app(
      "The Phreatix workflow without windows: opens DINO and OLGA exports, couples\n"
      "meteo files, calibrates, simulates and post-processes every tube.",
      "phreatix-cli");
  app.require_subcommand(1);
  app.footer(kExitStatusHelp);
  Commands commands;
  for (const auto add : kCommands) add(app, commands);

  // `phreatix-cli --help` shows every command with its options; each command
  // keeps its own --help (set up before this, as subcommands copy it).
  app.set_help_flag();
  app.set_help_all_flag("-h,--help", "every command with its options and their defaults");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      app.exit(e);  // --help
      return ExitStatus::kOk;
    }
    return reportParseError(app, e);
  }
  for (const Command& command : commands) {
    if (command.app->parsed()) return command.run();
  }
  return ExitStatus::kRefused;  // require_subcommand(1) leaves no other way
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit (or a full disk) must show up as a failed write that
  // the program reports, not as a signal that ends it silently.
  std::signal(SIGXFSZ, SIG_IGN);
  // A Ctrl-C or a cluster's scancel leaves no lock behind.
  releaseLocksAtSignals();
  return exitCode(parseAndRun(argc, argv));
}
