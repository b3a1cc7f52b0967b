<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>kv71p-status</name>
    <message id="pickerTitle">
        <source>KV-71P printer status</source>
        <translation>KV-71P printer status</translation>
    </message>
    <message id="pickerPrompt">
        <source>Choose the printer whose status you want to see:</source>
        <translation>Choose the printer whose status you want to see:</translation>
    </message>
    <message id="pickerOpen">
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message id="pickerCancel">
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message id="pickerNotAQueue">
        <source>"%1" is not a KV-71P print queue.</source>
        <translation>“%1” is not a KV-71P print queue.</translation>
    </message>
    <message id="pickerCannotStart">
        <source>The status window could not be started.</source>
        <translation>The status window could not be started.</translation>
    </message>
    <message id="pickerNoScheduler">
        <source>The print system does not answer. Is CUPS running?</source>
        <translation>The print system does not answer. Is CUPS running?</translation>
    </message>
    <message id="pickerNoQueue">
        <source>No KV-71P print queue is set up yet. Connect the printer and switch it on: the status service sets up its queue.</source>
        <translation>No KV-71P print queue is set up yet. Connect the printer and switch it on: the status service sets up its queue.</translation>
    </message>
</context>
</TS>
