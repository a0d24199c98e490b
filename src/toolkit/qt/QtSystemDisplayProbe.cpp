#include "toolkit/qt/QtSystemDisplayProbe.h"

#include <dlfcn.h>

#include <QDir>
#include <QLibraryInfo>
#include <QStringList>
#include <cstdlib>

namespace sigpatch::toolkit::qt {
namespace {

// Opens a client library for one trial and closes it again.
class ClientLibrary {
 public:
  explicit ClientLibrary(const char* name) : handle_(::dlopen(name, RTLD_NOW | RTLD_LOCAL)) {}
  ~ClientLibrary() {
    if (handle_ != nullptr) ::dlclose(handle_);
  }
  ClientLibrary(const ClientLibrary&) = delete;
  ClientLibrary& operator=(const ClientLibrary&) = delete;

  template <typename Function>
  Function* Find(const char* symbol) const {
    return handle_ == nullptr ? nullptr : reinterpret_cast<Function*>(::dlsym(handle_, symbol));
  }

 private:
  void* handle_;
};

}  // namespace

std::string QtSystemDisplayProbe::Environment(const char* name) const {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

bool QtSystemDisplayProbe::HasPlugin(std::string_view platform) const {
  QStringList folders;
  const auto extra = QString::fromLocal8Bit(Environment("QT_PLUGIN_PATH").c_str());
  for (const auto& folder : extra.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
    folders << folder + QStringLiteral("/platforms");
  }
  folders << QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
  const QString pattern =
      QStringLiteral("libq") +
      QString::fromUtf8(platform.data(), static_cast<qsizetype>(platform.size())) +
      QStringLiteral("*.so");
  for (const auto& folder : folders) {
    if (!QDir(folder).entryList({pattern}, QDir::Files).isEmpty()) return true;
  }
  return false;
}

// A connection of a client library, closed before the library.
struct QtSystemDisplayProbe::OpenConnection {
  explicit OpenConnection(const char* library) : client(library) {}
  ~OpenConnection() {
    if (connection != nullptr) disconnect(connection);
  }
  OpenConnection(const OpenConnection&) = delete;
  OpenConnection& operator=(const OpenConnection&) = delete;

  ClientLibrary client;
  void* connection = nullptr;
  void (*disconnect)(void*) = nullptr;
};

QtSystemDisplayProbe::QtSystemDisplayProbe() = default;
QtSystemDisplayProbe::~QtSystemDisplayProbe() = default;

bool QtSystemDisplayProbe::CanOpenX(const std::string& display) const {
  using Connect = void*(const char*, int*);
  using HasError = int(void*);
  using Disconnect = void(void*);
  auto trial = std::make_unique<OpenConnection>("libxcb.so.1");
  auto* connect = trial->client.Find<Connect>("xcb_connect");
  auto* hasError = trial->client.Find<HasError>("xcb_connection_has_error");
  auto* disconnect = trial->client.Find<Disconnect>("xcb_disconnect");
  if (connect == nullptr || hasError == nullptr || disconnect == nullptr) return false;
  trial->disconnect = disconnect;
  trial->connection = connect(display.c_str(), nullptr);
  if (trial->connection == nullptr || hasError(trial->connection) != 0) return false;
  x_ = std::move(trial);
  return true;
}

bool QtSystemDisplayProbe::CanOpenWayland(const std::string& display) const {
  using Connect = void*(const char*);
  using Disconnect = void(void*);
  const ClientLibrary wayland("libwayland-client.so.0");
  auto* connect = wayland.Find<Connect>("wl_display_connect");
  auto* disconnect = wayland.Find<Disconnect>("wl_display_disconnect");
  if (connect == nullptr || disconnect == nullptr) return false;
  void* connection = connect(display.c_str());
  if (connection == nullptr) return false;
  disconnect(connection);
  return true;
}

}  // namespace sigpatch::toolkit::qt
