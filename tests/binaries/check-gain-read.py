#!/usr/bin/env python3
"""check-gain-read.py OBJDUMP OBJECT

The sample loops read the shared gain without the lock, once per sample, so
that a change from another thread takes effect at the next sample. In the
i686 object of the sample processing this checks that

- every read of the shared gain state is one 8-byte load, all at the same
  8-byte aligned offset: two 4-byte loads could pair halves of an old and a
  new gain;
- every loop reads it: with the instructions that load it taken out of the
  control flow, no cycle is left.

A call returns to the next instruction. An indirect jump (the layout switch)
and a jump to another section are given no successor, so a loop through one
would go unseen; the processing loops have neither.
"""
import re
import subprocess
import sys

SYMBOL = 'gainlet::g_sharedGainState'
EIGHT_BYTE_LOADS = {'movsd', 'movq', 'movlpd', 'movhpd', 'mulsd', 'fldl'}
PREFIXES = {'rep', 'repz', 'repnz', 'bnd', 'notrack', 'lock', 'data16', 'cs', 'ds'}


def fail(message):
    print('FAIL:', message)
    sys.exit(1)


def disassemble(objdump, path):
    """[((section, address), mnemonic, operands, relocation targets)]"""
    text = subprocess.run([objdump, '-dr', '-C', '--no-show-raw-insn', path],
                          check=True, capture_output=True, text=True).stdout
    code = []
    section = None
    for line in text.splitlines():
        header = re.match(r'Disassembly of section (\S+):', line)
        if header:
            section = header.group(1)
            continue
        relocation = re.match(r'\s+[0-9a-f]+: \S+\t(.*)$', line)
        if relocation and code:
            code[-1][3].append(relocation.group(1))
            continue
        instruction = re.match(r'\s*([0-9a-f]+):\t(\S+)\s*(.*)$', line)
        if instruction:
            mnemonic, operands = instruction.group(2), instruction.group(3)
            while mnemonic in PREFIXES and operands:  # "repz ret", "notrack jmp ..."
                mnemonic, _, operands = operands.partition(' ')
                operands = operands.strip()
            code.append(((section, int(instruction.group(1), 16)), mnemonic, operands, []))
    return code


def successors(code):
    """Control flow between instructions, by address."""
    following = {}
    for index, (address, mnemonic, operands, relocations) in enumerate(code):
        after = [code[index + 1][0]] if index + 1 < len(code) else []
        if after and after[0][0] != address[0]:
            after = []
        target = re.match(r'([0-9a-f]+) <', operands)
        if mnemonic.startswith('ret'):
            following[address] = []
        elif mnemonic.startswith('j') and target and not relocations:
            jump = [(address[0], int(target.group(1), 16))]
            following[address] = jump if mnemonic == 'jmp' else jump + after
        elif mnemonic == 'jmp':  # indirect, or a tail call out of the object
            following[address] = []
        else:
            following[address] = after
    return following


def find_cycle(nodes, following):
    """A node on a cycle of the graph restricted to nodes, or None."""
    state = {}  # 1: on the current path, 2: done
    for start in nodes:
        if start in state:
            continue
        state[start] = 1
        stack = [(start, iter(following[start]))]
        while stack:
            node, pending = stack[-1]
            for successor in pending:
                if successor not in nodes:
                    continue
                if state.get(successor) == 1:
                    return successor
                if successor not in state:
                    state[successor] = 1
                    stack.append((successor, iter(following[successor])))
                    break
            else:
                state[node] = 2
                stack.pop()
    return None


def main():
    if len(sys.argv) != 3:
        fail('usage: check-gain-read.py OBJDUMP OBJECT')
    objdump, path = sys.argv[1:3]
    code = disassemble(objdump, path)
    if not code:
        fail(f'no code in {path}')

    gain_loads = set()
    offsets = set()
    for address, mnemonic, operands, relocations in code:
        if not any(SYMBOL in relocation for relocation in relocations):
            continue
        if operands.startswith('$'):  # its address, passed on; no access
            continue
        absolute = re.match(r'(0x[0-9a-f]+),', operands)
        if mnemonic not in EIGHT_BYTE_LOADS or not absolute:
            fail(f'{address[0]}+{address[1]:x}: "{mnemonic} {operands}" accesses the shared state '
                 'other than as one 8-byte load of the gain')
        gain_loads.add(address)
        offsets.add(int(absolute.group(1), 16))
    print(f'{len(gain_loads)} gain loads at offset(s)', ', '.join(hex(o) for o in sorted(offsets)))
    if len(offsets) != 1:
        fail('expected the loads at exactly one offset')
    if next(iter(offsets)) % 8:
        fail('the gain is not 8-byte aligned')

    following = successors(code)
    everything = set(following)
    if find_cycle(everything, following) is None:
        fail('no loops found: the disassembly is not what this check expects')
    unread = find_cycle(everything - gain_loads, following)
    if unread is not None:
        fail(f'the loop through {unread[0]}+{unread[1]:x} runs without reading the gain')
    print('OK')


if __name__ == '__main__':
    main()
