@echo off
echo 演示软件 1.0.0
