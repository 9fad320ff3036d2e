/* An empty resource set, for native programs that carry no resources of
   their own and serve those of a program file they are given
   (UseProgramFile); see ResourceBlob.S.in. */
    .section .rodata
    .globl avrelResourceData
    .globl avrelResourceDataEnd
avrelResourceData:
avrelResourceDataEnd:
    .byte 0
    .section .note.GNU-stack,"",@progbits
