/* Whether this machine lets a 64-bit Linux process run 32-bit code, which
 * Wine's WoW64 mode needs: the kernel's 32-bit system call gate (int 0x80, by
 * which Wine gets a selector for a 32-bit thread's data) and the 32-bit user
 * code segment (selector 0x23, into which Wine switches to run 32-bit code).
 * Some hypervisors offer neither; a refusal kills the process with SIGSEGV,
 * so each is tried in a child. Exits 0 when both work; otherwise prints what
 * is refused and exits 1. */
#define _GNU_SOURCE
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

static int SystemCallGate(void) {
    long result;
    /* 20 is getpid in the 32-bit system call table. */
    __asm__ volatile("int $0x80" : "=a"(result) : "0"(20L) : "memory");
    return result == (long)getpid();
}

/* Calls into a page below 2 GB that switches to the 32-bit segment, runs
 * "mov eax, 42; retf" there and comes back to 64-bit code, which returns. */
static int CodeSegment32(void) {
    uint8_t* page =
        mmap(NULL, 4096, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (page == MAP_FAILED) return 0;
    const uint32_t base = (uint32_t)(uintptr_t)page;
    const uint32_t savedRsp = base + 0x800, stack = base + 0xF00, code32 = base + 0x100, back64 = base + 0x200;
    uint8_t* p = page;
#define EMIT(...)                              \
    do {                                       \
        const uint8_t bytes[] = {__VA_ARGS__}; \
        memcpy(p, bytes, sizeof bytes);        \
        p += sizeof bytes;                     \
    } while (0)
#define EMIT32(v)                   \
    do {                            \
        const uint32_t value = (v); \
        memcpy(p, &value, 4);       \
        p += 4;                     \
    } while (0)
    EMIT(0x48, 0x89, 0x24, 0x25);
    EMIT32(savedRsp); /* mov [savedRsp], rsp */
    EMIT(0x48, 0xC7, 0xC4);
    EMIT32(stack);    /* mov rsp, stack */
    EMIT(0x6A, 0x23); /* push 0x23 */
    EMIT(0x68);
    EMIT32(code32);   /* push code32 */
    EMIT(0x48, 0xCB); /* retfq: into the 32-bit segment */
    p = page + (code32 - base);
    EMIT(0xB8);
    EMIT32(42); /* mov eax, 42 */
    EMIT(0xCB); /* retf: pops back64 and 0x33 */
    p = page + (back64 - base);
    EMIT(0x48, 0x8B, 0x24, 0x25);
    EMIT32(savedRsp); /* mov rsp, [savedRsp] */
    EMIT(0xC3);       /* ret */
    const uint32_t frame[2] = {back64, 0x33};
    memcpy(page + (stack - base), frame, sizeof frame);
    long (*call)(void) = (long (*)(void))(void*)page;
    return call() == 42;
}

static int Survives(int (*test)(void)) {
    fflush(stdout);
    const pid_t child = fork();
    if (child < 0) return 0;
    if (child == 0) _exit(test() ? 0 : 1);
    int status = 0;
    if (waitpid(child, &status, 0) != child) return 0;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int main(void) {
    const int gate = Survives(SystemCallGate);
    const int segment = Survives(CodeSegment32);
    if (gate && segment) return 0;
    printf("this machine cannot run 32-bit code in a 64-bit process: the kernel refuses %s%s%s.\n",
           gate ? "" : "the 32-bit system call gate (int 0x80)", gate || segment ? "" : " and ",
           segment ? "" : "the 32-bit code segment (0x23)");
    return 1;
}
