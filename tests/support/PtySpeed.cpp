// Apart from Pty.cpp: the kernel's termios2, which carries custom rates, clashes with the C
// library's termios.
#include <asm/termbits.h>
#include <sys/ioctl.h>

int ttyLineSpeed(int fd)
{
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) != 0)
        return -1;
    return int(tio.c_ospeed);
}
