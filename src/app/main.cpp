#include "app/application.h"
#include "platform/platform.h"
#include "platform/sockets.h"
#include "shared/window_route.h"

int main(int argc, char** argv) {
  namespace brackwin = quennet::brackwin;
  brackwin::Application application(brackwin::GetPlatform(argc, argv),
                                    brackwin::GetSockets(),
                                    brackwin::GetWindowRoute());
  return application.Execute();
}
