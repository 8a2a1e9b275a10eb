// Named pipes, the file calls used on them, and security descriptors.
#pragma once

#include <windows.h>

// Access rights and creation of CreateFileW.
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define OPEN_EXISTING 3u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_FLAG_OVERLAPPED 0x40000000u
#define FILE_FLAG_FIRST_PIPE_INSTANCE 0x00080000u

// Open modes of CreateNamedPipeW: which way data flows, seen from the server.
#define PIPE_ACCESS_INBOUND 0x00000001u
#define PIPE_ACCESS_OUTBOUND 0x00000002u
#define PIPE_ACCESS_DUPLEX 0x00000003u

// Pipe modes of CreateNamedPipeW.
#define PIPE_TYPE_BYTE 0x00000000u
#define PIPE_TYPE_MESSAGE 0x00000004u
#define PIPE_READMODE_BYTE 0x00000000u
#define PIPE_READMODE_MESSAGE 0x00000002u
#define PIPE_WAIT 0x00000000u
#define PIPE_NOWAIT 0x00000001u
#define PIPE_ACCEPT_REMOTE_CLIENTS 0x00000000u
#define PIPE_REJECT_REMOTE_CLIENTS 0x00000008u
#define PIPE_UNLIMITED_INSTANCES 255u

// Time-outs of WaitNamedPipeW.
#define NMPWAIT_USE_DEFAULT_WAIT 0x00000000u
#define NMPWAIT_WAIT_FOREVER 0xFFFFFFFFu

// Further error codes of the pipe calls.
#define ERROR_GEN_FAILURE 31u
#define ERROR_SEM_TIMEOUT 121u
#define ERROR_INVALID_NAME 123u
#define ERROR_FILENAME_EXCED_RANGE 206u
#define ERROR_UNKNOWN_REVISION 1305u
#define ERROR_INVALID_SECURITY_DESCR 1338u
#define ERROR_OPERATION_ABORTED 995u
#define ERROR_IO_INCOMPLETE 996u
#define ERROR_NOT_FOUND 1168u

// Security descriptors. Only a null DACL is understood: the pipe folder is private to the user,
// so any process of the user may connect whatever the descriptor says.
#define SECURITY_DESCRIPTOR_REVISION 1u
#define SE_DACL_PRESENT 0x0004u
#define SE_DACL_DEFAULTED 0x0008u

typedef struct _ACL {
    BYTE AclRevision;
    BYTE Sbz1;
    WORD AclSize;
    WORD AceCount;
    WORD Sbz2;
} ACL, *PACL;

typedef WORD SECURITY_DESCRIPTOR_CONTROL;
typedef struct _SECURITY_DESCRIPTOR {
    BYTE Revision;
    BYTE Sbz1;
    SECURITY_DESCRIPTOR_CONTROL Control;
    void* Owner;
    void* Group;
    PACL Sacl;
    PACL Dacl;
} SECURITY_DESCRIPTOR, *PISECURITY_DESCRIPTOR;
typedef void* PSECURITY_DESCRIPTOR;
#define SECURITY_DESCRIPTOR_MIN_LENGTH (sizeof(SECURITY_DESCRIPTOR))

BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision);
BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL daclPresent, PACL dacl,
                               BOOL daclDefaulted);

// Server side. "\\.\pipe\NAME" is the pipe NAME; several instances of one name may live in one
// process. Only blocking pipes (PIPE_WAIT) exist here.
HANDLE CreateNamedPipeW(LPCWSTR name, DWORD openMode, DWORD pipeMode, DWORD maxInstances,
                        DWORD outBufferSize, DWORD inBufferSize, DWORD defaultTimeOut,
                        LPSECURITY_ATTRIBUTES attributes);
// With an OVERLAPPED record its hEvent (an event of CreateEventW) is reset, the call returns
// FALSE with ERROR_IO_PENDING and the event is signalled when a client comes; without one the
// call blocks until a client comes. A client that came first gives FALSE and
// ERROR_PIPE_CONNECTED, or ERROR_NO_DATA when it has closed its end again (what it wrote can
// still be read).
BOOL ConnectNamedPipe(HANDLE pipe, LPOVERLAPPED overlapped);
BOOL DisconnectNamedPipe(HANDLE pipe);

// Client side: OPEN_EXISTING of a pipe name only. Fails with ERROR_FILE_NOT_FOUND when no
// instance of the name exists and ERROR_PIPE_BUSY when every instance has a client.
HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES attributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
// TRUE once an instance of the name exists, checked until the time-out. Unlike the system it
// also waits for a name that has no instance yet, and does not wait for a free instance.
BOOL WaitNamedPipeW(LPCWSTR name, DWORD timeOut);

// Reads and writes on either end. In message read mode a message longer than the buffer comes
// in pieces: FALSE with ERROR_MORE_DATA for each but the last. With the writer gone and nothing
// left: FALSE with ERROR_BROKEN_PIPE. Writing to a pipe whose other end is closed: FALSE with
// ERROR_NO_DATA.
//
// Overlapped reads exist on the server end of a pipe created with FILE_FLAG_OVERLAPPED, one at a
// time per instance; every other OVERLAPPED record is refused (ERROR_INVALID_PARAMETER). The
// record's hEvent (an event of CreateEventW) is reset when the read starts and signalled when it
// completes. With data at hand the read completes at once, as a synchronous one would (the
// event signalled as well); otherwise it gives FALSE with ERROR_IO_PENDING and completes when
// data comes, the client leaves or CancelIoEx is called. The buffer belongs to the read until
// GetOverlappedResult has reported it complete.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped);
// The outcome of an overlapped operation on FILE: its result, last error and byte count as the
// synchronous call would give them. While it is pending: FALSE with ERROR_IO_INCOMPLETE, or
// with WAIT true, blocks until it completes. A pending connect is only reported incomplete.
BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD bytesTransferred, BOOL wait);
// Ends the pending read of OVERLAPPED (null: any) on FILE: it is complete when the call returns,
// with ERROR_OPERATION_ABORTED unless its data came first, and GetOverlappedResult reports it.
// FALSE with ERROR_NOT_FOUND when no read of FILE is pending.
BOOL CancelIoEx(HANDLE file, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped);
// Waits until the other end has read everything written to it (or has gone).
BOOL FlushFileBuffers(HANDLE file);
