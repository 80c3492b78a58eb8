/* Drives a plug-in as a host built with another compiler would: through the
 * exported C functions and the raw slot table of the machine object, nothing
 * from the framework's headers. Usage: raw_slots_test PLUGIN */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

typedef void* (*GetInfoFn)(void);
typedef void* (*CreateMachineFn)(void);
typedef void* (*DeletingDestructorFn)(void* self, unsigned flags);
typedef void (*InitializeFn)(void* self, void* saved);
typedef _Bool (*RenderFn)(void* self, float* samples, int count, int mode);
typedef void* (*ExtDescribeFn)(void* self, int a, int b);
typedef void* (*ExtListFn)(void* self);
typedef int (*ExtPositionFn)(void* self, int a);

/* Slots are numbered from 1, as the interface lists them. */
static void* Slot(void* object, int number) {
  void** table = *(void***)object;
  return table[number - 1];
}

static int failures = 0;
#define EXPECT(condition)                                              \
  do {                                                                 \
    if (!(condition)) {                                                \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                      \
    }                                                                  \
  } while (0)

/* The object: table pointer, then five pointer-sized fields. */
struct RawMachine {
  void* table;
  uint8_t* global_values;
  uint8_t* track_values;
  int32_t* attribute_values;
  void* host_info;
  void* host_services;
};

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s PLUGIN\n", argv[0]);
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == NULL) {
    fprintf(stderr, "%s: %s\n", argv[1], dlerror());
    return 2;
  }
  GetInfoFn get_info = (GetInfoFn)dlsym(library, "GetInfo");
  CreateMachineFn create = (CreateMachineFn)dlsym(library, "CreateMachine");
  EXPECT(get_info != NULL);
  EXPECT(create != NULL);
  if (get_info == NULL || create == NULL) return 1;

  /* Same record every time; the first field is the kind, then the version. */
  const int32_t* description = (const int32_t*)get_info();
  EXPECT(description == get_info());
  EXPECT(description[0] == 1);
  EXPECT(description[1] == 12);

  struct RawMachine* machine = (struct RawMachine*)create();
  EXPECT(machine != NULL);
  if (machine == NULL) return 1;
  int32_t host_info[5] = {125, 4, 44100, 5292, 0};
  machine->host_info = host_info;
  machine->host_services = NULL; /* the defaults never reach it */

  ((InitializeFn)Slot(machine, 2))(machine, NULL);

  float samples[4] = {1.0f, -2.0f, 3.0f, -4.0f};
  const float before[4] = {1.0f, -2.0f, 3.0f, -4.0f};
  EXPECT(!((RenderFn)Slot(machine, 4))(machine, samples, 4, 1));
  EXPECT(memcmp(samples, before, sizeof samples) == 0);
  EXPECT(((ExtDescribeFn)Slot(machine, 15))(machine, 0, 0) == NULL);
  EXPECT(((ExtListFn)Slot(machine, 16))(machine) == NULL);
  EXPECT(((ExtPositionFn)Slot(machine, 19))(machine, 0) == -1);

  /* Slot 1 is the deleting destructor: it answers with the object. */
  EXPECT(((DeletingDestructorFn)Slot(machine, 1))(machine, 1) == (void*)machine);

  dlclose(library);
  if (failures == 0) printf("raw slot calls: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
