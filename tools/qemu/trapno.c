/* Preloaded into the i386 Wine processes that run under qemu-i386 user-mode emulation.
 *
 * Wine's i386 signal handlers decide what a fault was from the trap number and error
 * code in the signal context, as the kernel fills them in. qemu-i386 leaves the trap
 * number at -1, so Wine takes every page fault for an illegal instruction: a program
 * that probes memory with IsBadReadPtr, or any access violation a program handles
 * itself, ends as "Unhandled illegal instruction". This library stands between Wine and
 * the kernel's sigaction: for the fault signals it installs its own handler, which
 * writes the trap number (and, for page faults, the error code) the kernel would have
 * written, and then calls Wine's handler with the same arguments. Signal contexts that
 * already carry a trap number are passed on untouched.
 *
 * The handler calls no C library function (nothing that touches errno or other
 * thread-local state): it may run on any thread, in the middle of Windows code. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

enum {
    TRAP_DIVIDE = 0, TRAP_DEBUG = 1, TRAP_BREAKPOINT = 3, TRAP_OVERFLOW = 4,
    TRAP_ILLEGAL = 6, TRAP_PROTECTION = 13, TRAP_PAGE = 14, TRAP_FPU = 16,
    TRAP_ALIGNMENT = 17,
};
enum { PF_PRESENT = 1, PF_WRITE = 2, PF_USER = 4, PF_FETCH = 16 };

typedef void (*info_handler)(int, siginfo_t *, void *);
typedef int (*sigaction_fn)(int, const struct sigaction *, struct sigaction *);

static volatile info_handler wine_handlers[_NSIG];
static sigaction_fn next_sigaction;
static int null_fd = -1;

static long raw_syscall3(long nr, long a, long b, long c)
{
    long ret;
    __asm__ volatile("int $0x80" : "=a"(ret) : "0"(nr), "b"(a), "c"(b), "d"(c) : "memory");
    return ret;
}

/* Whether one byte at addr can be read: the emulator checks the guest's page rights
 * before a write(2) reads from guest memory, and fails with EFAULT when they are missing. */
static int readable(unsigned long addr)
{
    if (null_fd < 0)
        return 0;
    return raw_syscall3(SYS_write, null_fd, (long)addr, 1) == 1;
}

static int trap_for(int sig, const siginfo_t *info)
{
    switch (sig) {
    case SIGSEGV:
        /* SI_KERNEL: a general protection fault (privileged instruction, int n, bad segment). */
        return info->si_code == SI_KERNEL ? TRAP_PROTECTION : TRAP_PAGE;
    case SIGBUS:
        return info->si_code == BUS_ADRALN ? TRAP_ALIGNMENT : TRAP_PAGE;
    case SIGILL:
        return TRAP_ILLEGAL;
    case SIGFPE:
        if (info->si_code == FPE_INTDIV)
            return TRAP_DIVIDE;
        if (info->si_code == FPE_INTOVF)
            return TRAP_OVERFLOW;
        return TRAP_FPU;
    case SIGTRAP:
        return info->si_code == TRAP_BRKPT || info->si_code == SI_KERNEL ? TRAP_BREAKPOINT : TRAP_DEBUG;
    }
    return -1;
}

static void fault_handler(int sig, siginfo_t *info, void *context)
{
    ucontext_t *uc = context;
    greg_t *regs = uc->uc_mcontext.gregs;
    info_handler next = wine_handlers[sig];

    /* Only faults of the (emulated) processor: not signals some process sent. */
    if ((long)regs[REG_TRAPNO] < 0 && info->si_code > 0) {
        regs[REG_TRAPNO] = trap_for(sig, info);
        if (regs[REG_TRAPNO] == TRAP_PAGE) {
            unsigned long addr = (unsigned long)info->si_addr;
            long err = PF_USER;
            if (info->si_code == SEGV_ACCERR)
                err |= PF_PRESENT;
            if (addr == (unsigned long)regs[REG_EIP])
                err |= PF_FETCH;
            else if (readable(addr))
                err |= PF_WRITE | PF_PRESENT; /* it could be read, so it was written */
            regs[REG_ERR] = err;
        } else if (regs[REG_TRAPNO] == TRAP_PROTECTION) {
            /* "int n" refused: the kernel's error code names the vector (Wine handles
             * some of them); anything else, a privileged instruction, gives 0. */
            const unsigned char *code = (const unsigned char *)regs[REG_EIP];
            regs[REG_ERR] = code[0] == 0xcd ? (code[1] << 3) | 2 : 0;
        }
    }
    if (next)
        next(sig, info, context);
}

static int wrapped(int sig)
{
    return sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE || sig == SIGTRAP;
}

int sigaction(int sig, const struct sigaction *act, struct sigaction *old)
{
    info_handler previous;
    int ret;

    if (!next_sigaction)
        next_sigaction = (sigaction_fn)dlsym(RTLD_NEXT, "sigaction");
    if (sig <= 0 || sig >= _NSIG || !wrapped(sig))
        return next_sigaction(sig, act, old);

    previous = wine_handlers[sig];
    if (act && (act->sa_flags & SA_SIGINFO) && act->sa_sigaction) {
        struct sigaction mine = *act;
        wine_handlers[sig] = act->sa_sigaction;
        mine.sa_sigaction = fault_handler;
        ret = next_sigaction(sig, &mine, old);
        if (ret != 0)
            wine_handlers[sig] = previous;
    } else {
        ret = next_sigaction(sig, act, old);
        if (ret == 0 && act)
            wine_handlers[sig] = NULL;
    }
    /* Report the handler that was asked for, not this library's. */
    if (ret == 0 && old && (old->sa_flags & SA_SIGINFO) && old->sa_sigaction == fault_handler)
        old->sa_sigaction = previous;
    return ret;
}

__attribute__((constructor)) static void trapno_init(void)
{
    null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    /* Only this process: children that are i386 programs get the library again from
     * the emulator's environment (QEMU_SET_ENV); native ones must not be handed it. */
    unsetenv("LD_PRELOAD");
}
