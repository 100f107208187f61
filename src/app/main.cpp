#include "app/application.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  quennet::brackwin::Application application(
      quennet::brackwin::GetPlatform(argc, argv));
  return application.Execute();
}
