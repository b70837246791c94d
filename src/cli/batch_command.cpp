#include "batch_command.h"

#include "output_files.h"
#include "platform_services.h"
#include "resize_view_model.h"
#include "settings_options.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace pictavo::cli {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 3;

// The folder dialog is answered by --output; nothing is remembered between invocations.
class CommandLineServices : public FolderDialog, public SettingsStore, public FolderAccess {
public:
    explicit CommandLineServices(QString folder) : m_folder(std::move(folder)) {}

    PlatformServices services() { return {nullptr, this, this, this, nullptr}; }

    std::optional<QString> chooseFolder(const FolderDialogTexts&) override { return m_folder; }
    std::optional<QByteArray> value(const QString&) const override { return std::nullopt; }
    void setValue(const QString&, const QByteArray&) override {}
    std::optional<QByteArray> bookmark(const QString&) override { return std::nullopt; }
    std::optional<ResolvedFolder> resolve(const QByteArray&) override { return std::nullopt; }
    // Whether the folder can be written shows when the batch creates it and writes into it.
    bool startAccessing(const QString&) override { return true; }
    void stopAccessing(const QString&) override {}

private:
    QString m_folder;
};

struct BatchArguments {
    QString output;
    ResizeSettings settings;
    QStringList paths;
};

int usageError(const std::string& message)
{
    std::cerr << "pictavo-cli: " << message << "\n"
              << "Kullanım: pictavo-cli batch --output KLASÖR [seçenekler] [--prefix METİN] "
                 "[--suffix METİN] YOL…\n"
              << settingsOptionsUsage();
    return kExitUsage;
}

std::optional<std::string> parse(const std::vector<std::string_view>& arguments,
                                 BatchArguments& parsed)
{
    bool haveOutput = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool takesValue = isSettingsOption(argument) || argument == "--output" ||
                                argument == "--prefix" || argument == "--suffix";
        if (!takesValue) {
            if (argument.starts_with("--"))
                return "bilinmeyen seçenek: " + std::string(argument);
            parsed.paths << QString::fromLocal8Bit(argument.data(), qsizetype(argument.size()));
            continue;
        }
        if (i + 1 == arguments.size())
            return "değer eksik: " + std::string(argument);
        const std::string_view value = arguments[++i];
        const QString text = QString::fromLocal8Bit(value.data(), qsizetype(value.size()));
        if (argument == "--output") {
            parsed.output = text;
            haveOutput = !text.isEmpty();
        } else if (argument == "--prefix") {
            parsed.settings.prefix = text.toStdString();
        } else if (argument == "--suffix") {
            parsed.settings.suffix = text.toStdString();
        } else if (const auto error = applySettingsOption(argument, value, parsed.settings)) {
            return error;
        }
    }
    if (!haveOutput)
        return "--output gerekli";
    if (parsed.paths.isEmpty())
        return "en az bir yol gerekli";
    return std::nullopt;
}

class ProgressLine {
public:
    ProgressLine() : m_enabled(::isatty(STDERR_FILENO) == 1) {}

    void show(double fraction, int done, int total)
    {
        if (!m_enabled)
            return;
        const int width = 30;
        const int filled = static_cast<int>(fraction * width);
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.resize(width, '-');
        std::fprintf(stderr, "\r[%s] %%%d  %d/%d", bar.c_str(), static_cast<int>(fraction * 100),
                     done, total);
        std::fflush(stderr);
    }
    void clear()
    {
        if (m_enabled) {
            std::fprintf(stderr, "\r\033[K");
            std::fflush(stderr);
        }
    }

private:
    bool m_enabled;
};

} // namespace

int runBatch(int argc, char** argv, const std::vector<std::string_view>& arguments)
{
    BatchArguments parsed;
    if (const std::optional<std::string> error = parse(arguments, parsed))
        return usageError(*error);

    QCoreApplication application(argc, argv);
    CommandLineServices services(parsed.output);
    ResizeViewModel model(services.services());
    model.settings()->setValue(parsed.settings);
    model.addPaths(parsed.paths);
    if (model.items()->count() == 0) {
        std::cout << "Dönüştürülecek görsel bulunamadı." << std::endl;
        return kExitFailure;
    }

    ProgressLine progress;
    int finished = 0;
    const int total = model.items()->count();
    QObject::connect(&model, &ResizeViewModel::itemFinished, [&](int row) {
        const ImageItem& item = model.items()->items()[static_cast<std::size_t>(row)];
        progress.clear();
        if (item.status.kind == ImageItem::ItemStatus::done)
            std::cout << "done " << item.url.string() << " -> " << item.status.output.string();
        else
            std::cout << "failed " << item.url.string() << ": " << item.status.message;
        std::cout << std::endl;
        progress.show(model.progress(), ++finished, total);
    });

    // Ctrl-C, SIGTERM and SIGHUP stop the batch after the current image; a second one ends
    // the process at once, leaving no temporary file behind.
    bool interrupted = false;
    if (const int requests = installTerminationRequests(); requests >= 0) {
        auto* notifier = new QSocketNotifier(requests, QSocketNotifier::Read, &model);
        QObject::connect(notifier, &QSocketNotifier::activated, [&, requests] {
            char byte = 0;
            [[maybe_unused]] const ssize_t read = ::read(requests, &byte, 1);
            interrupted = true;
            model.cancelProcessing();
        });
    }

    int exitCode = 0;
    QObject::connect(&model, &ResizeViewModel::runFinished, [&] {
        progress.clear();
        std::cout << model.lastMessage().toStdString() << std::endl;
        if (interrupted)
            exitCode = kExitCancelled;
        else if (model.lastMessageIsError())
            exitCode = kExitFailure;
        QCoreApplication::exit(exitCode);
    });

    progress.show(0, 0, total);
    model.startProcessing();
    application.exec();
    return exitCode;
}

} // namespace pictavo::cli
