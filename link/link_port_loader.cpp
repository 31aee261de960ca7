// MakeLinkPort for a program with a shared Qt: the link is the module libmarkwick_link, loaded
// at the first call, so that Qt Network and the libraries it pulls in stay out of the
// program's start. The module is looked for beside the executable, then where it is installed
// relative to the executable's folder, then where it was built.
#include <QCoreApplication>
#include <QLibrary>
#include <QStringList>

#include "link/link_port.h"

namespace markwick {
namespace {

using MakeFunction = LinkPort* (*)(QObject*);

MakeFunction LoadModule() {
  static MakeFunction make = nullptr;
  if (make != nullptr) return make;
  const QStringList places = {
      QCoreApplication::applicationDirPath() + QStringLiteral("/" MARKWICK_LINK_MODULE_NAME),
      QCoreApplication::applicationDirPath() + QStringLiteral("/" MARKWICK_LINK_MODULE_INSTALLED),
      QStringLiteral(MARKWICK_LINK_MODULE_BUILT),
  };
  QString error;
  for (const QString& place : places) {
    QLibrary module(place);  // stays loaded: a QLibrary unloads only when told to
    make = reinterpret_cast<MakeFunction>(module.resolve("markwick_make_link_port"));
    if (make != nullptr) return make;
    if (error.isEmpty()) error = module.errorString();
  }
  throw LinkError(QStringLiteral("通信モジュールを読み込めません: %1").arg(error));
}

}  // namespace

LinkPort* MakeLinkPort(QObject* parent) { return LoadModule()(parent); }

}  // namespace markwick
